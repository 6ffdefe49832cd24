// Writing a rendered signal as an audio file through libsndfile, in any of the
// formats of audio_formats.h, to any target of audio_output_target.h.
#ifndef SEHOST_AUDIO_FILE_WRITER_H
#define SEHOST_AUDIO_FILE_WRITER_H

#include "audio_formats.h"
#include "audio_output_target.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;

namespace sehost {

class ByteSink;
class OggPageWriter;

// A file is written into a temporary file beside it (beside the file a link
// points to); Commit() renames it over the file, and a writer destroyed
// without Commit() removes it, so a failed render never leaves a truncated
// file and never replaces an existing one. Standard output, FIFOs and
// character devices are written as the samples come; nothing of theirs is
// ever removed.
//
// The length need not be known at the start (`length_known` false): a WAV
// file then starts as RF64 and becomes a plain WAV file at the end if it
// stayed under 4 GiB, and a WAV stream that cannot seek back gets the header
// of unknown length that pipes use.
//
// The same samples always give the same bytes: no time stamp (libsndfile's
// PEAK chunk) and no random Ogg serial number (`serial` is used instead).
class AudioFileWriter {
public:
  AudioFileWriter(const std::string &path, const OutputFormat &format, int channels,
                  double sample_rate, uint32_t serial, bool length_known = true);
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter &) = delete;
  AudioFileWriter &operator=(const AudioFileWriter &) = delete;

  // Writes interleaved frames. Formats other than float clip to full scale; a
  // sample that is not a finite number is written as 0. Throws HostError
  // saying why when the bytes cannot be written ("no space left on device").
  void Write(const float *interleaved, int64_t frames);
  void Commit();

  int64_t ClippedSamples() const { return m_clipped; }
  int64_t NonFiniteSamples() const { return m_nonFinite; }
  // The largest magnitude among the finite samples given, before clipping.
  float Peak() const { return m_peak; }
  // The file being written ("" when nothing is written beside the target).
  const std::string &TemporaryPath() const { return m_tempPath; }
  const OutputTarget &Target() const { return m_target; }

private:
  void Open(int channels, uint32_t serial, bool length_known);
  [[noreturn]] void Fail(const std::string &what);
  void Close();
  std::string WriteFailure() const;
  OutputTarget m_target;
  std::string m_tempPath;
  OutputFormat m_format;
  std::unique_ptr<ByteSink> m_sink;
  int64_t m_headerBytes = 0; // written ahead of what libsndfile writes
  sf_private_tag *m_file = nullptr;
  std::unique_ptr<OggPageWriter> m_ogg;
  int m_channels;
  int m_rate = 0;
  bool m_written = false; // a first block went through the encoder
  bool m_clips;
  uint64_t m_bytesLeft; // what a container with 32-bit sizes can still take
  std::vector<float> m_scratch;
  int64_t m_clipped = 0;
  int64_t m_nonFinite = 0;
  float m_peak = 0.0f;
};

// Checks that a file can be written at `path` ("-" always can); throws
// HostError otherwise (see ResolveOutputTarget).
void CheckOutputPath(const std::string &path);

// Throws HostError if `output` is the same file as one of `inputs` (also
// through links), so that writing it cannot destroy what it is made from.
void CheckOutputIsNoInput(const std::string &output, const std::vector<std::string> &inputs);

} // namespace sehost

#endif
