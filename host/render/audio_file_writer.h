// Writing a rendered signal to an audio file through libsndfile, in any of the
// formats of audio_formats.h, to a file or to standard output.
#ifndef SEHOST_AUDIO_FILE_WRITER_H
#define SEHOST_AUDIO_FILE_WRITER_H

#include "audio_formats.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct sf_private_tag;

namespace sehost {

class OggPageWriter;

// A file is written into a temporary file beside the target; Commit() renames
// it over the target, and a writer destroyed without Commit() removes it, so
// a failed render never leaves a truncated file and never replaces an existing
// one. The path "-" writes to standard output as the samples come.
//
// The same samples always give the same bytes: no time stamp (libsndfile's
// PEAK chunk) and no random Ogg serial number (`serial` is used instead).
class AudioFileWriter {
public:
  AudioFileWriter(const std::string &path, const OutputFormat &format, int channels,
                  double sample_rate, uint32_t serial);
  ~AudioFileWriter();
  AudioFileWriter(const AudioFileWriter &) = delete;
  AudioFileWriter &operator=(const AudioFileWriter &) = delete;

  // Writes interleaved frames. Formats other than float clip to full scale; a
  // sample that is not a finite number is written as 0.
  void Write(const float *interleaved, int64_t frames);
  void Commit();

  int64_t ClippedSamples() const { return m_clipped; }
  int64_t NonFiniteSamples() const { return m_nonFinite; }
  // The file being written ("" for standard output).
  const std::string &TemporaryPath() const { return m_tempPath; }

private:
  void Close();
  std::string m_path;
  std::string m_tempPath;
  OutputFormat m_format;
  sf_private_tag *m_file = nullptr;
  std::FILE *m_oggFile = nullptr; // the file under an Ogg stream
  std::unique_ptr<OggPageWriter> m_ogg;
  int m_channels;
  int m_rate = 0;
  bool m_written = false; // a first block went through the encoder
  bool m_clips;
  uint64_t m_bytesLeft; // what a container with 32-bit sizes can still take
  std::vector<float> m_scratch;
  int64_t m_clipped = 0;
  int64_t m_nonFinite = 0;
};

// Checks that a file can be created at `path` ("-" always can): its folder
// exists and it is not a folder. Throws HostError otherwise.
void CheckOutputPath(const std::string &path);

// Throws HostError if `output` is the same file as one of `inputs` (also
// through links), so that writing it cannot destroy what it is made from.
void CheckOutputIsNoInput(const std::string &output, const std::vector<std::string> &inputs);

} // namespace sehost

#endif
