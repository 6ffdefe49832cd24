// The bytes of an audio file on their way to a file descriptor: a file being
// written, standard output, a FIFO or a device. Every write goes through in
// full or fails with the system's reason kept, so that a full disk is reported
// as such whatever encoder was writing. Positions count from where writing
// began, and seeking back works only where the descriptor allows it: never on
// a pipe, a terminal or a file opened for appending.
#ifndef SEHOST_AUDIO_BYTE_SINK_H
#define SEHOST_AUDIO_BYTE_SINK_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace sehost {

class ByteSink {
public:
  // Writes to `fd` from its current position; closes it at the end if `owned`.
  ByteSink(int fd, bool owned);
  ~ByteSink();
  ByteSink(const ByteSink &) = delete;
  ByteSink &operator=(const ByteSink &) = delete;

  // All of `size` bytes, or false (and Error() says why). Nothing is written
  // once a write has failed.
  bool Write(const void *data, size_t size);
  // As lseek, from where writing began; -1 where the descriptor cannot seek,
  // except that a seek to the current position always succeeds (encoders ask
  // for one before they start).
  int64_t Seek(int64_t offset, int whence);
  int64_t Position() const { return m_position; }
  // The bytes written up to the furthest position reached.
  int64_t Length() const { return m_length; }
  bool Seekable() const { return m_seekable; }
  // Makes the current position the start from which positions count: what
  // was written so far (a header of our own) is invisible to later seeks.
  void StartHere();
  // Forgets what was written past the current position (a header written
  // again shorter before any samples), cutting a file there.
  void EndHere();
  // The errno of the first failure, or 0.
  int Error() const { return m_error; }
  // Closes an owned descriptor; false if that fails (Error() says why).
  bool Close();

private:
  int m_fd;
  bool m_owned;
  bool m_seekable = false;
  int64_t m_base = 0; // the descriptor's offset where writing began
  int64_t m_position = 0;
  int64_t m_length = 0;
  int m_error = 0;
};

// The system's text for an errno value, as messages write it: "no space left
// on device".
std::string SystemReason(int error);

} // namespace sehost

#endif
