#include "audio_byte_sink.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace sehost {
namespace {

#if defined(_WIN32)
int64_t SeekFd(int fd, int64_t offset, int whence) { return _lseeki64(fd, offset, whence); }
long WriteFd(int fd, const void *data, size_t size) {
  return _write(fd, data, static_cast<unsigned>(std::min<size_t>(size, 1u << 30)));
}
int CloseFd(int fd) { return _close(fd); }
void CutFd(int fd, int64_t length) { (void)_chsize_s(fd, length); }
// Only files on a disk seek back; pipes and the console do not.
bool CanSeek(int fd) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK;
}
#else
int64_t SeekFd(int fd, int64_t offset, int whence) { return lseek(fd, offset, whence); }
long WriteFd(int fd, const void *data, size_t size) { return write(fd, data, size); }
int CloseFd(int fd) { return close(fd); }
void CutFd(int fd, int64_t length) { (void)!ftruncate(fd, length); }
// A file opened for appending writes at its end wherever it was sought to.
bool CanSeek(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && (flags & O_APPEND) == 0 && lseek(fd, 0, SEEK_CUR) >= 0;
}
#endif

} // namespace

std::string SystemReason(int error) {
  std::string text = std::strerror(error);
  if (!text.empty())
    text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

ByteSink::ByteSink(int fd, bool owned) : m_fd(fd), m_owned(owned) {
  m_seekable = CanSeek(fd);
  if (m_seekable)
    m_base = SeekFd(fd, 0, SEEK_CUR);
}

ByteSink::~ByteSink() { Close(); }

bool ByteSink::Write(const void *data, size_t size) {
  if (m_error != 0)
    return false;
  const auto *bytes = static_cast<const char *>(data);
  while (size > 0) {
    // A signal that asks the tool to stop interrupts a write that waits on a
    // full pipe; the write then fails, and the caller sees the request.
    const long done = WriteFd(m_fd, bytes, size);
    if (done <= 0) {
      m_error = done < 0 && errno != 0 ? errno : EIO;
      return false;
    }
    bytes += done;
    size -= static_cast<size_t>(done);
    m_position += done;
  }
  m_length = std::max(m_length, m_position);
  return true;
}

int64_t ByteSink::Seek(int64_t offset, int whence) {
  int64_t target = offset;
  if (whence == SEEK_CUR)
    target = m_position + offset;
  else if (whence == SEEK_END)
    target = m_length + offset;
  if (target == m_position)
    return m_position;
  if (!m_seekable || target < 0 || m_error != 0)
    return -1;
  if (SeekFd(m_fd, m_base + target, SEEK_SET) < 0) {
    m_error = errno;
    return -1;
  }
  m_position = target;
  return m_position;
}

void ByteSink::StartHere() {
  m_base += m_position;
  m_length -= m_position;
  m_position = 0;
}

void ByteSink::EndHere() {
  if (m_seekable && m_length > m_position && m_error == 0)
    CutFd(m_fd, m_base + m_position); // a device has no length to cut: left as it is
  m_length = m_position;
}

bool ByteSink::Close() {
  if (!m_owned || m_fd < 0)
    return m_error == 0;
  const int fd = m_fd;
  m_fd = -1;
  if (CloseFd(fd) != 0 && m_error == 0)
    m_error = errno;
  return m_error == 0;
}

} // namespace sehost
