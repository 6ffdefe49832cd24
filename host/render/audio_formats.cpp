#include "audio_formats.h"

#include "audio_output_target.h"
#include "host_error.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <vector>

namespace sehost {
namespace {

constexpr unsigned kPcm16 = 1, kPcm24 = 2, kFloat = 4;

constexpr SampleFormatInfo kSampleFormats[] = {
    {"16", "16-bit", SF_FORMAT_PCM_16, 2},
    {"24", "24-bit", SF_FORMAT_PCM_24, 3},
    {"float", "32-bit float", SF_FORMAT_FLOAT, 4},
    {nullptr, nullptr, 0, 0},
};

constexpr const char *kOpusRates = "8000 12000 16000 24000 48000";
// Opus decodes at 48 kHz whatever its input was: other rates go there.
constexpr int kOpusOtherRates = 48000;
constexpr const char *kMp3Rates = "8000 11025 12000 16000 22050 24000 32000 44100 48000";
constexpr int kVorbisMaxRate = 200000;
// The rates a signal above a container's highest one is taken down to.
constexpr int kUsualRates[] = {44100, 48000, 88200, 96000, 176400, 192000};

constexpr ContainerInfo kContainers[] = {
    {"wav", "WAV", "wav", SF_FORMAT_WAV, kPcm16 | kPcm24 | kFloat, true, true, "rf64", nullptr, 0,
     0},
    {"rf64", "RF64", "rf64", SF_FORMAT_RF64, kPcm16 | kPcm24 | kFloat, false, false, nullptr,
     nullptr, 0, 0},
    {"flac", "FLAC", "flac", SF_FORMAT_FLAC, kPcm16 | kPcm24, true, false, nullptr, nullptr, 0, 0},
    {"ogg", "Ogg Vorbis", "ogg oga", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0, true, false, nullptr,
     nullptr, kVorbisMaxRate, 0},
    {"opus", "Opus", "opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 0, true, false, nullptr, kOpusRates, 0,
     kOpusOtherRates},
    {"mp3", "MP3", "mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0, true, false, nullptr,
     kMp3Rates, 0, 0},
    {"aiff", "AIFF", "aiff aif", SF_FORMAT_AIFF, kPcm16 | kPcm24 | kFloat, false, true, nullptr,
     nullptr, 0, 0},
    {"caf", "CAF", "caf", SF_FORMAT_CAF, kPcm16 | kPcm24 | kFloat, false, false, nullptr, nullptr,
     0, 0},
    {nullptr, nullptr, nullptr, 0, 0, false, false, nullptr, nullptr, 0, 0},
};

// Room left for the header and other chunks below the 4 GiB of a 32-bit size.
constexpr uint64_t kLimit4GiB = 0xFFFFFFFFull - (1u << 16);

std::string Lower(std::string s) {
  for (char &c : s)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

unsigned SampleBit(const SampleFormatInfo *sample) {
  return 1u << static_cast<unsigned>(sample - kSampleFormats);
}

} // namespace

const SampleFormatInfo *SampleFormats() { return kSampleFormats; }
const ContainerInfo *Containers() { return kContainers; }

const SampleFormatInfo *FindSampleFormat(const std::string &name) {
  const std::string n = Lower(name) == "32f" ? "float" : Lower(name);
  for (const SampleFormatInfo *s = kSampleFormats; s->name; ++s)
    if (n == s->name)
      return s;
  return nullptr;
}

const ContainerInfo *FindContainer(const std::string &name) {
  const std::string n = Lower(name);
  for (const ContainerInfo *c = kContainers; c->name; ++c) {
    std::istringstream words(c->extensions);
    for (std::string ext; words >> ext;)
      if (n == ext)
        return c;
    if (n == c->name)
      return c;
  }
  return nullptr;
}

const ContainerInfo *ContainerForPath(const std::string &path) {
  const std::string ext = std::filesystem::path(path).extension().string();
  return ext.size() > 1 ? FindContainer(ext.substr(1)) : nullptr;
}

namespace {
std::vector<int> RatesOf(const ContainerInfo &c) {
  std::vector<int> rates;
  std::istringstream words(c.rates ? c.rates : "");
  for (int r; words >> r;)
    rates.push_back(r);
  return rates;
}
} // namespace

int ContainerRate(const ContainerInfo &container, int rate) {
  const std::vector<int> rates = RatesOf(container);
  if (rates.empty() && container.maxRate > 0 && rate > container.maxRate) {
    int usual = kUsualRates[0];
    for (int r : kUsualRates)
      if (r <= container.maxRate)
        usual = r;
    return usual;
  }
  if (rates.empty() || std::find(rates.begin(), rates.end(), rate) != rates.end())
    return rate;
  if (container.otherRates > 0)
    return container.otherRates;
  for (int r : rates)
    if (r > rate)
      return r;
  return rates.back();
}

std::string ContainerRateList(const ContainerInfo &container) {
  const std::vector<int> rates = RatesOf(container);
  if (rates.empty())
    return container.maxRate > 0 ? "rates up to " + std::to_string(container.maxRate) + " Hz"
                                 : "any rate";
  std::string list;
  for (size_t i = 0; i < rates.size(); ++i)
    list += (i == 0 ? "" : i + 1 == rates.size() ? " or " : ", ") + std::to_string(rates[i]);
  return list + " Hz";
}

bool ContainerAvailable(const ContainerInfo &container) {
  int count = 0;
  sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
  for (int i = 0; i < count; ++i) {
    SF_FORMAT_INFO info{};
    info.format = i;
    if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info) == 0 &&
        info.format == (container.sfFormat & SF_FORMAT_TYPEMASK))
      return true;
  }
  return false;
}

std::string OutputFormat::Text() const {
  std::string text = container ? container->title : "";
  if (sample)
    text += std::string(", ") + sample->title;
  return text;
}

int OutputFormat::SfFormat() const {
  return container->sfFormat | (sample ? sample->sfSubtype : 0);
}

std::string ContainerNames() {
  std::string names;
  for (const ContainerInfo *c = kContainers; c->name; ++c)
    names += std::string(names.empty() ? "" : ", ") + c->name;
  return names;
}

std::string SampleFormatNames() {
  std::string names;
  for (const SampleFormatInfo *s = kSampleFormats; s->name; ++s)
    names += std::string(names.empty() ? "" : ", ") + s->name;
  return names;
}

std::string UsualExtensions() {
  std::string list;
  for (const ContainerInfo *c = kContainers; c->name; ++c) {
    std::istringstream words(c->extensions);
    std::string first;
    words >> first;
    list += (list.empty() ? "." : " .") + first;
  }
  return list;
}

OutputFormat ChooseOutputFormat(const std::string &path, const std::string &format_text,
                                int64_t frames, int channels) {
  OutputFormat out;
  std::istringstream words(format_text);
  for (std::string word; std::getline(words, word, ',');) {
    if (word.empty())
      continue;
    const ContainerInfo *container = FindContainer(word);
    const SampleFormatInfo *sample = container ? nullptr : FindSampleFormat(word);
    if (!container && !sample)
      throw UsageError("unknown format \"" + word + "\" (use " + ContainerNames() + ", or " +
                       SampleFormatNames() + ")");
    if ((container && out.container) || (sample && out.sample))
      throw UsageError("--format \"" + format_text + "\" names two " +
                       (container ? "file types" : "sample formats"));
    if (container)
      out.container = container;
    else
      out.sample = sample;
  }
  const bool to_stdout = path == "-";
  const bool streamed = to_stdout || IsStreamOutput(path);
  if (!out.container && !to_stdout)
    out.container = ContainerForPath(path);
  if (!out.container)
    throw UsageError(to_stdout ? "-o -: standard output has no extension; name the file type "
                                 "with --format (" +
                                     ContainerNames() + ")"
                               : path + ": unknown output format \"" +
                                     std::filesystem::path(path).extension().string() +
                                     "\" (use an extension or --format: " + ContainerNames() + ")");
  const ContainerInfo &c = *out.container;
  if (!ContainerAvailable(c))
    throw HostError(path + ": this build of se-host writes no " + c.title +
                    " (its libsndfile has no encoder for it; the Windows tool writes no MP3)");
  if (c.samples == 0) {
    if (out.sample)
      throw UsageError(path + ": " + c.title +
                       " is a lossy codec with its own encoding; leave out "
                       "the sample format \"" +
                       out.sample->name + "\"");
  } else {
    if (!out.sample)
      out.sample = FindSampleFormat("24");
    if ((c.samples & SampleBit(out.sample)) == 0) {
      std::string held;
      for (const SampleFormatInfo *s = kSampleFormats; s->name; ++s)
        if (c.samples & SampleBit(s))
          held += std::string(held.empty() ? "" : " or ") + s->title;
      throw UsageError(path + ": " + c.title + " holds " + held + " samples, not " +
                       out.sample->title);
    }
  }
  if (streamed && !c.streams) {
    std::string names;
    for (const ContainerInfo *s = kContainers; s->name; ++s)
      if (s->streams)
        names += std::string(names.empty() ? "" : ", ") + s->name;
    throw UsageError((to_stdout ? std::string("-o -") : path) + ": " + c.title +
                     " files cannot be written as a stream; " +
                     (to_stdout ? "standard output" : "a FIFO or device") + " takes " + names);
  }
  // A stream is written with sizes of its own (audio_file_writer.h).
  if (c.limit4gib && out.sample && frames > 0 && channels > 0 && !(streamed && c.streams)) {
    const uint64_t bytes = static_cast<uint64_t>(frames) * static_cast<uint64_t>(channels) *
                           static_cast<uint64_t>(out.sample->bytes);
    if (bytes > kLimit4GiB) {
      if (c.whenLarge == nullptr)
        throw HostError(path + ": " + c.title +
                        " files hold at most 4 GiB of samples and this "
                        "render makes " +
                        std::to_string(bytes >> 20) + " MiB; write rf64, caf or flac instead");
      out.container = FindContainer(c.whenLarge);
    }
  }
  return out;
}

} // namespace sehost
