// Interleaved float samples kept in a temporary file to be read back once,
// for work that needs the whole signal before it writes (the peak that
// normalizing scales to). The file has no name that outlives the tool: on
// POSIX systems it is unlinked as soon as it is made, on Windows the system
// deletes it when it is closed, also when the tool is killed.
#ifndef SEHOST_AUDIO_SPOOL_H
#define SEHOST_AUDIO_SPOOL_H

#include <cstdint>
#include <string>
#include <vector>

namespace sehost {

class AudioSpool {
public:
  // Makes the file in the system's temporary folder; throws HostError if it
  // cannot.
  explicit AudioSpool(int channels);
  ~AudioSpool();
  AudioSpool(const AudioSpool &) = delete;
  AudioSpool &operator=(const AudioSpool &) = delete;

  // Throws HostError saying why when it cannot write ("no space left on
  // device").
  void Write(const float *interleaved, int64_t frames);
  // The largest magnitude written.
  float Peak() const { return m_peak; }
  int64_t Frames() const { return m_frames; }
  // After the last Write: the next frames, at most `most` of them; empty at
  // the end. Throws HostError if the file cannot be read back.
  const std::vector<float> &Read(int64_t most);

private:
  std::string m_folder;
  int m_fd = -1;
  int m_channels;
  int64_t m_frames = 0;
  int64_t m_read = 0;
  bool m_reading = false;
  float m_peak = 0.0f;
  std::vector<float> m_piece;
};

} // namespace sehost

#endif
