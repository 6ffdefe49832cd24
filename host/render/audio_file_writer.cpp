#include "audio_file_writer.h"

#include "host_error.h"
#include "ogg_page_writer.h"
#include "os_process.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

namespace sehost {
namespace fs = std::filesystem;

namespace {

constexpr uint64_t kUnlimited = ~uint64_t{0};
// What a 32-bit size leaves for samples once the header is counted.
constexpr uint64_t kSamplesIn4GiB = 0xFFFFFFFFull - (1u << 16);

// libsndfile's view of an Ogg stream: written in order, never read or sought.
sf_count_t OggLength(void *writer) {
  return static_cast<sf_count_t>(static_cast<OggPageWriter *>(writer)->Position());
}
sf_count_t OggSeek(sf_count_t offset, int whence, void *writer) {
  return offset == 0 && whence == SEEK_CUR ? OggLength(writer) : -1;
}
sf_count_t OggRead(void *, sf_count_t, void *) { return 0; }
sf_count_t OggWrite(const void *data, sf_count_t size, void *writer) {
  return static_cast<OggPageWriter *>(writer)->Write(data, static_cast<size_t>(size)) ? size : 0;
}

bool IsOgg(const OutputFormat &format) {
  return (format.container->sfFormat & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG;
}

std::string Describe(const std::string &path) { return path == "-" ? "standard output" : path; }

} // namespace

void CheckOutputPath(const std::string &path) {
  if (path.empty())
    throw HostError("no output file given");
  if (path == "-")
    return;
  const fs::path p(path);
  const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
  std::error_code ec;
  if (!fs::is_directory(folder, ec))
    throw HostError(path + ": the folder \"" + folder.string() + "\" does not exist");
  if (fs::is_directory(p, ec))
    throw HostError(path + ": is a folder");
}

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
                                 double sample_rate, uint32_t serial)
    : m_path(path), m_format(format), m_channels(channels),
      m_clips(format.sample == nullptr || format.sample->sfSubtype != SF_FORMAT_FLOAT),
      m_bytesLeft(format.container->limit4gib ? kSamplesIn4GiB : kUnlimited) {
  CheckOutputPath(path);
  if (channels <= 0)
    throw HostError(path + ": nothing to write (no output channels)");
  SF_INFO info{};
  info.samplerate = static_cast<int>(std::lround(sample_rate));
  info.channels = channels;
  info.format = format.SfFormat();
  m_rate = info.samplerate;
  if (!sf_format_check(&info))
    throw HostError(Describe(path) + ": cannot write " + format.Text() + " at " +
                    std::to_string(info.samplerate) + " Hz with " + std::to_string(channels) +
                    " channel" + (channels == 1 ? "" : "s"));
  const bool to_stdout = path == "-";
#if defined(_WIN32)
  if (to_stdout)
    _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (!to_stdout)
    m_tempPath = PartialPathBeside(path);
  if (IsOgg(format)) {
    m_oggFile = to_stdout ? stdout : std::fopen(m_tempPath.c_str(), "wb");
    if (m_oggFile == nullptr)
      throw HostError(path + ": cannot create the file: " + std::strerror(errno));
    m_ogg = std::make_unique<OggPageWriter>(m_oggFile, serial);
    static SF_VIRTUAL_IO io = {OggLength, OggSeek, OggRead, OggWrite, OggLength};
    m_file = sf_open_virtual(&io, SFM_WRITE, &info, m_ogg.get());
  } else if (to_stdout) {
    std::fflush(stdout);
    m_file = sf_open_fd(fileno(stdout), SFM_WRITE, &info, SF_FALSE);
  } else {
    m_file = sf_open(m_tempPath.c_str(), SFM_WRITE, &info);
  }
  if (m_file == nullptr) {
    const std::string why = sf_strerror(nullptr);
    Close();
    throw HostError(Describe(path) + ": cannot create the file: " + why);
  }
  // The PEAK chunk carries the time of writing; leaving it out keeps renders
  // byte for byte the same.
  sf_command(m_file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
}

AudioFileWriter::~AudioFileWriter() { Close(); }

// Closes what is open and removes the temporary file.
void AudioFileWriter::Close() {
  if (m_file != nullptr)
    sf_close(m_file);
  m_file = nullptr;
  if (m_oggFile != nullptr && m_oggFile != stdout)
    std::fclose(m_oggFile);
  m_oggFile = nullptr;
  if (!m_tempPath.empty())
    std::remove(m_tempPath.c_str());
}

void AudioFileWriter::Write(const float *interleaved, int64_t frames) {
  if (m_file == nullptr)
    throw HostError(m_path + ": the file is already closed");
  const size_t n = static_cast<size_t>(frames) * static_cast<size_t>(m_channels);
  const uint64_t bytes = m_format.sample ? n * static_cast<uint64_t>(m_format.sample->bytes) : 0;
  if (bytes > m_bytesLeft)
    throw HostError(m_path + ": " + m_format.container->title +
                    " files hold at most 4 GiB of samples; the render stopped and nothing was "
                    "written");
  m_bytesLeft -= bytes;
  m_scratch.assign(interleaved, interleaved + n);
  for (float &s : m_scratch) {
    if (!std::isfinite(s)) {
      s = 0.0f;
      ++m_nonFinite;
    } else if (m_clips && (s > 1.0f || s < -1.0f)) {
      s = std::clamp(s, -1.0f, 1.0f);
      ++m_clipped;
    }
  }
  // libsndfile does not check every write of an Ogg page: the page writer
  // keeps its own account.
  if (sf_writef_float(m_file, m_scratch.data(), frames) != frames || (m_ogg && m_ogg->Error())) {
    // A codec that refuses the rate or the channels says so only now.
    if (!m_written && sf_error(m_file) != SF_ERR_SYSTEM && !(m_ogg && m_ogg->Error()))
      throw HostError(Describe(m_path) + ": cannot write " + m_format.Text() + " at " +
                      std::to_string(m_rate) + " Hz with " + std::to_string(m_channels) +
                      " channel" + (m_channels == 1 ? "" : "s"));
    throw HostError(
        Describe(m_path) + ": writing failed: " +
        (m_ogg && m_ogg->Error() ? std::strerror(m_ogg->Error()) : sf_strerror(m_file)));
  }
  m_written = true;
}

void AudioFileWriter::Commit() {
  if (m_file == nullptr)
    throw HostError(m_path + ": the file is already closed");
  const int err = sf_close(m_file);
  m_file = nullptr;
  bool written = err == 0 && (!m_ogg || m_ogg->Finished());
  if (m_oggFile != nullptr) {
    written = std::fflush(m_oggFile) == 0 && written;
    if (m_oggFile != stdout)
      written = std::fclose(m_oggFile) == 0 && written;
    m_oggFile = nullptr;
  }
  if (!written) {
    Close();
    throw HostError(Describe(m_path) + ": finishing the file failed: " +
                    (err != 0 ? sf_error_number(err) : std::strerror(errno)));
  }
  if (m_tempPath.empty())
    return;
  std::error_code ec;
  fs::rename(m_tempPath, m_path, ec);
  if (ec) {
    Close();
    throw HostError(m_path + ": cannot move the finished file into place: " + ec.message());
  }
  m_tempPath.clear();
}

} // namespace sehost
