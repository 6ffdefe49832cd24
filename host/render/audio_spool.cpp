#include "audio_spool.h"

#include "audio_byte_sink.h"
#include "host_error.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <random>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace sehost {
namespace fs = std::filesystem;

namespace {

#if defined(_WIN32)
int OpenNew(const std::string &path) {
  return _open(path.c_str(), _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_TEMPORARY,
               _S_IREAD | _S_IWRITE);
}
long WriteFd(int fd, const void *data, size_t n) {
  return _write(fd, data, static_cast<unsigned>(std::min<size_t>(n, 1u << 30)));
}
long ReadFd(int fd, void *data, size_t n) {
  return _read(fd, data, static_cast<unsigned>(std::min<size_t>(n, 1u << 30)));
}
bool Rewind(int fd) { return _lseeki64(fd, 0, SEEK_SET) == 0; }
void CloseFd(int fd) { _close(fd); }
#else
int OpenNew(const std::string &path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd >= 0)
    unlink(path.c_str());
  return fd;
}
long WriteFd(int fd, const void *data, size_t n) { return write(fd, data, n); }
long ReadFd(int fd, void *data, size_t n) { return read(fd, data, n); }
bool Rewind(int fd) { return lseek(fd, 0, SEEK_SET) == 0; }
void CloseFd(int fd) { close(fd); }
#endif

} // namespace

AudioSpool::AudioSpool(int channels) : m_channels(channels) {
  std::error_code ec;
  m_folder = fs::temp_directory_path(ec).string();
  if (ec)
    throw HostError("no temporary folder to keep the render in: " + ec.message());
  std::random_device seed;
  std::mt19937 pick(seed());
  for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
    m_fd = OpenNew((fs::path(m_folder) / ("se-host-spool-" + std::to_string(pick()))).string());
    if (m_fd < 0 && errno != EEXIST)
      break;
  }
  if (m_fd < 0)
    throw HostError(m_folder + ": cannot make a temporary file: " + SystemReason(errno));
}

AudioSpool::~AudioSpool() {
  if (m_fd >= 0)
    CloseFd(m_fd);
}

void AudioSpool::Write(const float *interleaved, int64_t frames) {
  const size_t n = static_cast<size_t>(frames) * static_cast<size_t>(m_channels);
  for (size_t i = 0; i < n; ++i)
    if (std::isfinite(interleaved[i]))
      m_peak = std::max(m_peak, std::abs(interleaved[i]));
  const char *bytes = reinterpret_cast<const char *>(interleaved);
  size_t left = n * sizeof(float);
  while (left > 0) {
    const long done = WriteFd(m_fd, bytes, left);
    if (done <= 0)
      throw HostError(m_folder + ": " + SystemReason(done < 0 ? errno : EIO) +
                      " while keeping the render to normalize it");
    bytes += done;
    left -= static_cast<size_t>(done);
  }
  m_frames += frames;
}

const std::vector<float> &AudioSpool::Read(int64_t most) {
  if (!m_reading) {
    m_reading = true;
    if (!Rewind(m_fd))
      throw HostError(m_folder + ": cannot read back the temporary file: " + SystemReason(errno));
  }
  const int64_t frames = std::min(most, m_frames - m_read);
  m_piece.resize(static_cast<size_t>(frames) * static_cast<size_t>(m_channels));
  char *bytes = reinterpret_cast<char *>(m_piece.data());
  size_t left = m_piece.size() * sizeof(float);
  while (left > 0) {
    const long done = ReadFd(m_fd, bytes, left);
    if (done <= 0)
      throw HostError(m_folder + ": cannot read back the temporary file: " +
                      SystemReason(done < 0 ? errno : EIO));
    bytes += done;
    left -= static_cast<size_t>(done);
  }
  m_read += frames;
  return m_piece;
}

} // namespace sehost
