#include "audio_file_writer.h"

#include "audio_byte_sink.h"
#include "audio_wav_stream.h"
#include "host_error.h"
#include "ogg_page_writer.h"
#include "os_process.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace sehost {
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kUnlimited = ~uint64_t{0};
// What a 32-bit size leaves for samples once the header is counted.
constexpr uint64_t kSamplesIn4GiB = 0xFFFFFFFFull - (1u << 16);

// libsndfile's view of the sink. Encoders only write (and WAV-like ones seek
// back to fill in their sizes); nothing is ever read back.
sf_count_t SinkLength(void *sink) { return static_cast<ByteSink *>(sink)->Length(); }
sf_count_t SinkSeek(sf_count_t offset, int whence, void *sink) {
  return static_cast<ByteSink *>(sink)->Seek(offset, whence);
}
sf_count_t SinkRead(void *, sf_count_t, void *) { return 0; }

// libsndfile writes a PEAK chunk, stamped with the time of writing, into every
// RF64 file of floats whatever it is told: a header (a write at the start)
// has that stamp zeroed, so that the same samples still give the same bytes.
void ClearPeakTime(std::vector<unsigned char> &header) {
  static const unsigned char kPeak[] = {'P', 'E', 'A', 'K'};
  static const unsigned char kVersionLe[] = {1, 0, 0, 0}, kVersionBe[] = {0, 0, 0, 1};
  const auto at = std::search(header.begin(), header.end(), std::begin(kPeak), std::end(kPeak));
  const auto pos = static_cast<size_t>(at - header.begin());
  if (at == header.end() || header.size() < pos + 16)
    return;
  const unsigned char *version = header.data() + pos + 8;
  if (std::equal(version, version + 4, kVersionLe) || std::equal(version, version + 4, kVersionBe))
    std::fill(header.begin() + static_cast<std::ptrdiff_t>(pos + 12),
              header.begin() + static_cast<std::ptrdiff_t>(pos + 16), 0);
}

sf_count_t SinkWrite(const void *data, sf_count_t size, void *sink) {
  auto *out = static_cast<ByteSink *>(sink);
  if (out->Position() == 0) {
    const auto *bytes = static_cast<const unsigned char *>(data);
    std::vector<unsigned char> header(bytes, bytes + size);
    ClearPeakTime(header);
    return out->Write(header.data(), header.size()) ? size : 0;
  }
  return out->Write(data, static_cast<size_t>(size)) ? size : 0;
}
sf_count_t SinkTell(void *sink) { return static_cast<ByteSink *>(sink)->Position(); }
SF_VIRTUAL_IO g_sinkIo = {SinkLength, SinkSeek, SinkRead, SinkWrite, SinkTell};
// Samples alone, after a header of our own: written as they are.
sf_count_t RawWrite(const void *data, sf_count_t size, void *sink) {
  return static_cast<ByteSink *>(sink)->Write(data, static_cast<size_t>(size)) ? size : 0;
}
SF_VIRTUAL_IO g_rawIo = {SinkLength, SinkSeek, SinkRead, RawWrite, SinkTell};

// The same for an Ogg stream, whose pages pass through the page writer:
// written in order, never sought.
sf_count_t OggLength(void *writer) {
  return static_cast<sf_count_t>(static_cast<OggPageWriter *>(writer)->Position());
}
sf_count_t OggSeek(sf_count_t offset, int whence, void *writer) {
  return offset == 0 && whence == SEEK_CUR ? OggLength(writer) : -1;
}
// A failed write is not reported to libsndfile, which would otherwise give up
// its Vorbis encoder half made (and leak it); the writer checks the sink after
// every call instead.
sf_count_t OggWrite(const void *data, sf_count_t size, void *writer) {
  static_cast<OggPageWriter *>(writer)->Write(data, static_cast<size_t>(size));
  return size;
}
SF_VIRTUAL_IO g_oggIo = {OggLength, OggSeek, SinkRead, OggWrite, OggLength};

bool IsOgg(const OutputFormat &format) {
  return (format.container->sfFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG;
}
bool IsWav(const OutputFormat &format) {
  return (format.container->sfFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV;
}

// Creates the temporary file, new (never through a link or over another
// process's file), with the permissions of the file it will replace if there
// is one. Answers its descriptor, or -1 with errno set.
int CreateTemporary(const std::string &temp, const std::string &target) {
#if defined(_WIN32)
  (void)target;
  return _open(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  // A file of this name can only be left from an earlier process of the same
  // id that was killed; it is ours to replace, if it is a plain file.
  struct stat st {};
  if (fd < 0 && errno == EEXIST && lstat(temp.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      unlink(temp.c_str()) == 0)
    fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0 && stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode))
    fchmod(fd, st.st_mode & 07777);
  return fd;
#endif
}

// Opens a FIFO or device as it is: never created, truncated or replaced.
int OpenDevice(const std::string &path) {
#if defined(_WIN32)
  return _open(path.c_str(), _O_WRONLY | _O_BINARY);
#else
  return open(path.c_str(), O_WRONLY | O_CLOEXEC);
#endif
}

} // namespace

void CheckOutputPath(const std::string &path) { ResolveOutputTarget(path); }

void CheckOutputIsNoInput(const std::string &output, const std::vector<std::string> &inputs) {
  if (output == "-")
    return;
  for (const std::string &input : inputs) {
    std::error_code ec;
    if (fs::equivalent(output, input, ec))
      throw HostError(output + ": is the input file " + input +
                      "; writing it would destroy it (choose another output file)");
  }
}

AudioFileWriter::AudioFileWriter(const std::string &path, const OutputFormat &format, int channels,
                                 double sample_rate, uint32_t serial, bool length_known)
    : m_target(ResolveOutputTarget(path)), m_format(format), m_channels(channels),
      m_clips(format.sample == nullptr || format.sample->sfSubtype != SF_FORMAT_FLOAT),
      m_bytesLeft(kUnlimited) {
  if (channels <= 0)
    throw HostError(m_target.Name() + ": nothing to write (no output channels)");
  m_rate = static_cast<int>(std::lround(sample_rate));
  try {
    Open(channels, serial, length_known);
  } catch (...) {
    Close();
    throw;
  }
}

AudioFileWriter::~AudioFileWriter() { Close(); }

void AudioFileWriter::Open(int channels, uint32_t serial, bool length_known) {
  SF_INFO info{};
  info.samplerate = m_rate;
  info.channels = channels;
  info.format = m_format.SfFormat();
  const auto refused = [&] {
    return HostError(m_target.Name() + ": cannot write " + m_format.Text() + " at " +
                     std::to_string(m_rate) + " Hz with " + std::to_string(channels) + " channel" +
                     (channels == 1 ? "" : "s"));
  };
  if (!sf_format_check(&info))
    throw refused();

  int fd = -1;
  switch (m_target.kind) {
  case OutputKind::kStandardOutput: std::fflush(stdout);
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    m_sink = std::make_unique<ByteSink>(fileno(stdout), false);
    break;
  case OutputKind::kDevice:
    fd = OpenDevice(m_target.path);
    if (fd < 0)
      throw HostError(m_target.Name() + ": cannot open it for writing: " + SystemReason(errno));
    m_sink = std::make_unique<ByteSink>(fd, true);
    break;
  case OutputKind::kFile:
    m_tempPath = PartialPathBeside(m_target.path);
    fd = CreateTemporary(m_tempPath, m_target.path);
    if (fd < 0) {
      const int error = errno;
      m_tempPath.clear(); // not ours to remove
      throw HostError(m_target.Name() + ": cannot create the file: " + SystemReason(error));
    }
    m_sink = std::make_unique<ByteSink>(fd, true);
    break;
  }

  const bool limited = m_format.container->limit4gib;
  if (IsOgg(m_format)) {
    m_ogg = std::make_unique<OggPageWriter>(*m_sink, serial);
    m_file = sf_open_virtual(&g_oggIo, SFM_WRITE, &info, m_ogg.get());
  } else if (IsWav(m_format) && !m_sink->Seekable()) {
    // libsndfile would go back to fill in the sizes, which a pipe cannot.
    const std::vector<unsigned char> head =
        WavStreamHeader(channels, m_rate, m_format.sample->bytes * 8,
                        m_format.sample->sfSubtype == SF_FORMAT_FLOAT);
    if (!m_sink->Write(head.data(), head.size()))
      throw HostError(WriteFailure());
    m_sink->StartHere();
    info.format = SF_FORMAT_RAW | SF_ENDIAN_LITTLE | m_format.sample->sfSubtype;
    m_file = sf_open_virtual(&g_rawIo, SFM_WRITE, &info, m_sink.get());
  } else if (IsWav(m_format) && (!length_known || m_target.Streams())) {
    // Begun as RF64, it is written as WAV at the end if it stayed small.
    info.format = SF_FORMAT_RF64 | m_format.sample->sfSubtype;
    m_file = sf_open_virtual(&g_sinkIo, SFM_WRITE, &info, m_sink.get());
    if (m_file != nullptr)
      sf_command(m_file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
  } else {
    m_file = sf_open_virtual(&g_sinkIo, SFM_WRITE, &info, m_sink.get());
    if (limited)
      m_bytesLeft = kSamplesIn4GiB;
  }
  if (m_file != nullptr && m_sink->Error() != 0)
    throw HostError(WriteFailure()); // Close() frees the encoder
  if (m_file == nullptr)
    throw HostError(m_sink->Error() != 0
                        ? WriteFailure()
                        : m_target.Name() + ": cannot create the file: " + sf_strerror(nullptr));
  // The PEAK chunk carries the time of writing; leaving it out keeps renders
  // byte for byte the same. The header, written again without it, is
  // shorter: what is left past it would otherwise count as samples in a
  // render shorter than the chunk (an AIFF file of a few frames).
  sf_command(m_file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
  if (!m_clips && !m_ogg && m_sink->Seekable() && m_sink->Error() == 0)
    m_sink->EndHere();
}

// Closes what is open and removes the temporary file.
void AudioFileWriter::Close() {
  if (m_file != nullptr)
    sf_close(m_file);
  m_file = nullptr;
  m_ogg.reset();
  if (m_sink)
    m_sink->Close();
  m_sink.reset();
  if (!m_tempPath.empty())
    std::remove(m_tempPath.c_str());
  m_tempPath.clear();
}

std::string AudioFileWriter::WriteFailure() const {
  const int error = m_sink ? m_sink->Error() : 0;
  const std::string reason = error != 0 ? SystemReason(error) : "writing failed";
  return m_target.Name() + ": " + reason +
         (m_target.kind == OutputKind::kFile ? "; nothing was written" : "");
}

void AudioFileWriter::Fail(const std::string &what) {
  Close();
  throw HostError(what);
}

void AudioFileWriter::Write(const float *interleaved, int64_t frames) {
  if (m_file == nullptr)
    throw HostError(m_target.Name() + ": the file is already closed");
  const size_t n = static_cast<size_t>(frames) * static_cast<size_t>(m_channels);
  const uint64_t bytes = m_format.sample ? n * static_cast<uint64_t>(m_format.sample->bytes) : 0;
  if (bytes > m_bytesLeft)
    Fail(m_target.Name() + ": " + m_format.container->title +
         " files hold at most 4 GiB of samples; the render stopped and nothing was written");
  m_bytesLeft -= bytes;
  m_scratch.assign(interleaved, interleaved + n);
  for (float &s : m_scratch) {
    if (!std::isfinite(s)) {
      s = 0.0f;
      ++m_nonFinite;
      continue;
    }
    m_peak = std::max(m_peak, std::abs(s));
    if (m_clips && (s > 1.0f || s < -1.0f)) {
      s = std::clamp(s, -1.0f, 1.0f);
      ++m_clipped;
    }
  }
  // libsndfile does not check every write of an encoder: the sink keeps its
  // own account.
  if (sf_writef_float(m_file, m_scratch.data(), frames) != frames || m_sink->Error() != 0) {
    if (m_sink->Error() != 0)
      Fail(WriteFailure());
    // A codec that refuses the rate or the channels says so only now.
    if (!m_written)
      Fail(m_target.Name() + ": cannot write " + m_format.Text() + " at " + std::to_string(m_rate) +
           " Hz with " + std::to_string(m_channels) + " channel" + (m_channels == 1 ? "" : "s"));
    Fail(m_target.Name() + ": writing failed: " + sf_strerror(m_file));
  }
  m_written = true;
}

void AudioFileWriter::Commit() {
  if (m_file == nullptr)
    throw HostError(m_target.Name() + ": the file is already closed");
  const int err = sf_close(m_file);
  m_file = nullptr;
  const bool finished = err == 0 && (!m_ogg || m_ogg->Finished());
  if (!m_sink->Close() || m_sink->Error() != 0)
    Fail(WriteFailure());
  if (!finished)
    Fail(m_target.Name() + ": finishing the file failed: " +
         (err != 0 ? sf_error_number(err) : "an Ogg page was left incomplete"));
  if (m_tempPath.empty())
    return;
  std::error_code ec;
  fs::rename(m_tempPath, m_target.path, ec);
  if (ec)
    Fail(m_target.Name() + ": cannot move the finished file into place: " + ec.message());
  m_tempPath.clear();
}

} // namespace sehost
