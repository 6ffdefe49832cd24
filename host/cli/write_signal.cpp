#include "write_signal.h"

#include "audio_file_writer.h"
#include "audio_resampler.h"
#include "audio_spool.h"
#include "host_error.h"
#include "progress.h"
#include "stop_request.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <memory>
#include <new>

namespace sehost::cli {
namespace {

constexpr uint32_t kFnvBasis = 2166136261u;
constexpr uint32_t kFnvPrime = 16777619u;

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

template <typename Iterator> uint32_t Fnv1a(Iterator begin, Iterator end) {
  uint32_t hash = kFnvBasis;
  for (; begin != end; ++begin)
    hash = (hash ^ static_cast<unsigned char>(*begin)) * kFnvPrime;
  return hash;
}

} // namespace

void AddOutputOptions(CLI::App &cmd, WriteSettings &settings) {
  cmd.add_option("-o,--output", settings.output,
                 "Audio file to write; its extension names the type (" + UsualExtensions() +
                     "); - is standard output")
      ->type_name("FILE")
      ->required();
  cmd.add_option("-f,--format", settings.format,
                 "File type and/or sample format, comma-separated: " + ContainerNames() + "; " +
                     SampleFormatNames() + " (default 24)")
      ->type_name("FORMAT");
  CLI::Option *gain =
      cmd.add_option("--gain", settings.gainDb,
                     "Gain in dB applied to the output, from -120 to +60 (default 0)")
          ->type_name("DB");
  cmd.add_flag("--normalize", settings.normalize,
               "Bring the output's peak to -1 dBFS (the signal is kept in a temporary file "
               "until its peak is known)")
      ->excludes(gain);
}

void AddQuietOptions(CLI::App &cmd, WriteSettings &settings) {
  cmd.add_flag("-q,--quiet", settings.quiet, "Print nothing when all went well");
  cmd.add_flag("--no-progress", settings.noProgress, "Never show the progress line");
}

uint32_t TextSerial(const std::string &text) { return Fnv1a(text.begin(), text.end()); }

uint32_t FileSerial(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return Fnv1a(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ShowWarnings(const std::vector<std::string> &lines) {
  for (const std::string &line : lines)
    std::cerr << "se-host: warning: " << line << "\n";
}

namespace {

constexpr double kMaxGainDb = 60.0, kMinGainDb = -120.0;
// Where --normalize puts the peak.
constexpr double kNormalizedPeakDb = -1.0;
// Frames read back from the temporary file at a time.
constexpr int64_t kReadBack = 8192;

double DbToGain(double db) { return std::pow(10.0, db / 20.0); }
double GainToDb(double gain) { return 20.0 * std::log10(gain); }

std::string Db(double db) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.1f dB", db);
  return text;
}

// The stages between a rendered block and the writer: the gain, the
// resampler and, for --normalize, the temporary file.
class OutputChain {
public:
  OutputChain(AudioFileWriter &writer, int channels, double gain_db, double from_rate,
              double to_rate, bool normalize)
      : m_writer(writer), m_channels(channels), m_gain(static_cast<float>(DbToGain(gain_db))) {
    if (from_rate != to_rate)
      m_resampler = std::make_unique<AudioResampler>(from_rate, to_rate, channels);
    if (normalize)
      m_spool = std::make_unique<AudioSpool>(channels);
  }

  void Take(const float *data, int64_t frames) {
    if (m_gain != 1.0f) {
      m_scaled.assign(data, data + frames * m_channels);
      for (float &x : m_scaled)
        x *= m_gain;
      data = m_scaled.data();
    }
    if (!m_resampler)
      return Pass(data, frames);
    const std::vector<float> &out = m_resampler->Process(data, frames);
    Pass(out.data(), static_cast<int64_t>(out.size()) / m_channels);
  }

  // After the last block: what the resampler held back, then the kept signal
  // scaled to its peak. `check` throws when the tool is asked to stop.
  void Finish(const std::function<void()> &check) {
    if (m_resampler) {
      const std::vector<float> &out = m_resampler->Flush();
      Pass(out.data(), static_cast<int64_t>(out.size()) / m_channels);
    }
    if (!m_spool)
      return;
    const float peak = m_spool->Peak();
    const double gain = peak > 0.0f ? DbToGain(kNormalizedPeakDb) / peak : 1.0;
    m_normalizedDb = GainToDb(gain);
    for (;;) {
      check();
      std::vector<float> piece = m_spool->Read(kReadBack);
      if (piece.empty())
        break;
      for (float &x : piece)
        x = static_cast<float>(x * gain);
      Write(piece.data(), static_cast<int64_t>(piece.size()) / m_channels);
    }
  }

  int64_t Frames() const { return m_frames; }
  // The gain --normalize applied, in dB.
  double NormalizedDb() const { return m_normalizedDb; }

private:
  void Pass(const float *data, int64_t frames) {
    if (m_spool)
      m_spool->Write(data, frames);
    else
      Write(data, frames);
  }
  void Write(const float *data, int64_t frames) {
    m_writer.Write(data, frames);
    m_frames += frames;
  }

  AudioFileWriter &m_writer;
  int m_channels;
  float m_gain;
  std::unique_ptr<AudioResampler> m_resampler;
  std::unique_ptr<AudioSpool> m_spool;
  std::vector<float> m_scaled;
  int64_t m_frames = 0;
  double m_normalizedDb = 0.0;
};

// The rate the file is written at, and the note that says why when it is not
// the one asked for.
int OutputRate(const WriteSettings &settings, const OutputFormat &format, double signal_rate,
               std::string &note) {
  const ContainerInfo &c = *format.container;
  const int asked =
      static_cast<int>(std::lround(settings.rate > 0.0 ? settings.rate : signal_rate));
  const int rate = ContainerRate(c, asked);
  if (rate == asked)
    return rate;
  if (settings.rate > 0.0)
    throw UsageError("--rate " + std::to_string(asked) + ": " + c.title + " takes " +
                     ContainerRateList(c));
  note = std::string(c.title) + " takes " + ContainerRateList(c) + ": resampled from " +
         std::to_string(asked) + " to " + std::to_string(rate) + " Hz";
  return rate;
}

} // namespace

void CheckOutput(const WriteSettings &settings) {
  CheckOutputPath(settings.output);
  const OutputFormat format = ChooseOutputFormat(settings.output, settings.format, 0, 1);
  if (!std::isfinite(settings.gainDb) || settings.gainDb < kMinGainDb ||
      settings.gainDb > kMaxGainDb)
    throw UsageError("--gain: a gain in dB from -120 to +60");
  if (settings.rate != 0.0) {
    if (!(settings.rate >= 1000.0 && settings.rate <= 768000.0 &&
          settings.rate == std::floor(settings.rate)))
      throw UsageError("--rate: the output rate must be a whole number of Hz from 1000 to 768000");
    std::string note;
    OutputRate(settings, format, settings.rate, note);
  }
}

void WriteSignal(RenderedSignal &signal, const WriteSettings &settings) {
  CheckOutput(settings);
  const bool length_known = signal.Frames() != kUnknownLength;
  const OutputFormat format = ChooseOutputFormat(
      settings.output, settings.format, length_known ? signal.Frames() : 0, signal.Channels());
  std::string rate_note;
  const int rate = OutputRate(settings, format, signal.SampleRate(), rate_note);
  const bool resampled = rate != std::lround(signal.SampleRate());
  const double cpu_start = CpuSeconds();
  const auto wall_start = std::chrono::steady_clock::now();
  const std::string name = settings.output == "-" ? "standard output" : settings.output;
  const bool to_stdout = settings.output == "-";
  // A stream keeps what went out before a stop; a file is left as it was.
  const bool streamed = IsStreamOutput(settings.output);
  if (!rate_note.empty() && !settings.quiet)
    std::cerr << "se-host: note: " << name << ": " << rate_note << "\n";
  const auto stopped = [&] {
    return HostError(name + ": stopped by " + StopRequest() +
                     (streamed ? "" : "; nothing was written"));
  };
  // From here on every way of ending the tool is handled, so that the
  // temporary file is removed.
  InstallStopHandlers();
  std::unique_ptr<AudioFileWriter> made;
  try {
    // Opening a FIFO waits for its reader; a stop ends the wait.
    made = std::make_unique<AudioFileWriter>(settings.output, format, signal.Channels(), rate,
                                             settings.serial, length_known && !resampled);
  } catch (const HostError &) {
    if (StopRequest() != nullptr)
      throw stopped();
    throw;
  }
  AudioFileWriter &writer = *made;
  RemoveOnCrash(writer.TemporaryPath());
  OutputChain chain(writer, signal.Channels(), settings.gainDb, signal.SampleRate(), rate,
                    settings.normalize);
  Progress progress(settings.doing + " " + name, !settings.noProgress);
  const double expected = static_cast<double>(signal.ExpectedFrames()) / signal.SampleRate();
  // The host also looks for a stop request inside a block, so that a stop is
  // seen within a fraction of a second whatever the patch.
  signal.SetInterruptCheck([] { return StopRequest() != nullptr; });
  const auto check_stop = [&] {
    if (StopRequest() != nullptr)
      throw stopped();
  };
  int64_t rendered = 0;
  try {
    while (!signal.Done()) {
      check_stop();
      const std::vector<float> *block = nullptr;
      try {
        block = &signal.RenderBlock();
      } catch (const HostInterrupted &) {
        throw stopped();
      }
      const int64_t frames = static_cast<int64_t>(block->size()) / signal.Channels();
      try {
        chain.Take(block->data(), frames);
      } catch (const HostError &) {
        // A write that a stop interrupted says so.
        check_stop();
        throw;
      }
      rendered += frames;
      progress.Update(static_cast<double>(rendered) / signal.SampleRate(), expected);
    }
    progress.Finish();
    try {
      chain.Finish(check_stop);
    } catch (const HostError &) {
      check_stop();
      throw;
    }
  } catch (const std::bad_alloc &) {
    throw HostError(settings.madeFrom + ": out of memory while " + settings.doing);
  }
  writer.Commit();
  RemoveOnCrash("");

  const double total = static_cast<double>(chain.Frames()) / rate;
  const double cpu = CpuSeconds() - cpu_start;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  if (writer.NonFiniteSamples() > 0)
    std::cerr << "se-host: warning: " << name << ": " << writer.NonFiniteSamples()
              << " samples were not finite numbers and were written as 0\n";
  if (writer.ClippedSamples() > 0) {
    // The gain that brings the peak to -1 dBFS, rounded down to a tenth.
    const double peak_db = GainToDb(writer.Peak());
    const double fix = std::floor((settings.gainDb - peak_db + kNormalizedPeakDb) * 10.0) / 10.0;
    char gain[32];
    std::snprintf(gain, sizeof gain, "%.1f", fix);
    std::cerr << "se-host: warning: " << name << ": " << writer.ClippedSamples()
              << " samples clipped at full scale (10 V), the peak at " << Db(peak_db)
              << "FS; --gain " << gain << " or --normalize avoids it, --format float keeps them\n";
  }
  if (!settings.quiet) {
    std::string how = format.Text();
    if (resampled)
      how += ", resampled from " + std::to_string(std::lround(signal.SampleRate())) + " Hz";
    if (settings.normalize)
      how += ", normalized to -1 dBFS (" + Db(chain.NormalizedDb()) + ")";
    else if (settings.gainDb != 0.0)
      how += ", gain " + Db(settings.gainDb);
    char line[768];
    std::snprintf(line, sizeof line,
                  "%s: %d channel%s, %.2f s at %d Hz, %s (%.2f s to render, %.3f s CPU per "
                  "second of audio)\n",
                  name.c_str(), signal.Channels(), signal.Channels() == 1 ? "" : "s", total, rate,
                  how.c_str(), wall, total > 0.0 ? cpu / total : 0.0);
    // Standard output may be the file itself.
    (to_stdout ? std::cerr : std::cout) << line;
  }
}

} // namespace sehost::cli
