// A channel of an audio file played from clock 0, once or looped, and after a
// single play 0. The file is read and resampled to the patch's rate as it
// plays, in pieces of a fixed size, so a long file (or a header that claims a
// long one) costs no more memory than a short one.
#ifndef SEHOST_SOURCES_FILE_SOURCE_H
#define SEHOST_SOURCES_FILE_SOURCE_H

#include "audio_file.h"
#include "source.h"

#include <memory>
#include <string>
#include <vector>

struct soxr;

namespace sehost {

// Resampling qualities by name ("quick", "low", "medium", "high", "very high");
// the libsoxr recipe, or -1 for an unknown name.
int ResampleRecipe(const std::string &name);
// The names, for messages: "quick, low, ...".
std::string ResampleQualityNames();

// The sample rates a file may have, as a patch may: a header outside them is
// taken for a damaged file.
constexpr double kMinFileRate = 1000.0;
constexpr double kMaxFileRate = 768000.0;
// Empty when the reader's rate lies in that range; otherwise the message,
// naming the file.
std::string FileRateProblem(const AudioFileReader &reader);

struct FileSourceSettings {
  int channel = 0;   // from 0
  double gain = 1.0; // applied to the file's samples (full scale 1.0)
  bool loop = false;
  int recipe = -1; // libsoxr quality recipe; -1: high quality
};

class FileSource : public Source {
public:
  // Plays `reader` at `rate` Hz: straight when the rates match, else through
  // a libsoxr resampler (linear phase, its delay taken out, so the file's
  // first sample still falls on clock 0). Throws HostError if it cannot.
  FileSource(std::unique_ptr<AudioFileReader> reader, const FileSourceSettings &settings,
             double rate);
  ~FileSource() override;
  FileSource(const FileSource &) = delete;
  FileSource &operator=(const FileSource &) = delete;

  bool Streaming() const override { return true; }
  // Clocks follow on from call to call; a jump back starts again from the
  // file's beginning, a jump ahead skips.
  void Fill(float *out, int32_t n, int64_t clock) override;

private:
  size_t NextInput(size_t most);
  size_t Pull(float *out, size_t n);
  void Restart();
  static size_t SupplyInput(void *self, const void **data, size_t requested);

  std::unique_ptr<AudioFileReader> m_reader;
  FileSourceSettings m_settings;
  soxr *m_resampler = nullptr;
  std::vector<float> m_frames; // one piece of the file, interleaved
  std::vector<float> m_input;  // its chosen channel, with the gain
  size_t m_inputAt = 0, m_inputSize = 0;
  std::vector<float> m_skipped; // output thrown away when clocks jump ahead
  int64_t m_clock = 0;          // the clock the next output sample is for
};

} // namespace sehost

#endif
