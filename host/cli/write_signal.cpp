#include "write_signal.h"

#include "audio_file_writer.h"
#include "host_error.h"
#include "progress.h"
#include "stop_request.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
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

void WriteSignal(RenderedSignal &signal, const WriteSettings &settings) {
  const bool length_known = signal.Frames() != kUnknownLength;
  const OutputFormat format = ChooseOutputFormat(
      settings.output, settings.format, length_known ? signal.Frames() : 0, signal.Channels());
  const double cpu_start = CpuSeconds();
  const auto wall_start = std::chrono::steady_clock::now();
  const std::string name = settings.output == "-" ? "standard output" : settings.output;
  const bool to_stdout = settings.output == "-";
  const auto stopped = [&] {
    return HostError(name + ": stopped by " + StopRequest() +
                     (to_stdout ? "" : "; nothing was written"));
  };
  // From here on every way of ending the tool is handled, so that the
  // temporary file is removed.
  InstallStopHandlers();
  std::unique_ptr<AudioFileWriter> made;
  try {
    // Opening a FIFO waits for its reader; a stop ends the wait.
    made = std::make_unique<AudioFileWriter>(settings.output, format, signal.Channels(),
                                             signal.SampleRate(), settings.serial, length_known);
  } catch (const HostError &) {
    if (StopRequest() != nullptr)
      throw stopped();
    throw;
  }
  AudioFileWriter &writer = *made;
  RemoveOnCrash(writer.TemporaryPath());
  Progress progress(settings.doing + " " + name, !settings.noProgress);
  const double expected = static_cast<double>(signal.ExpectedFrames()) / signal.SampleRate();
  // The host also looks for a stop request inside a block, so that a stop is
  // seen within a fraction of a second whatever the patch.
  signal.SetInterruptCheck([] { return StopRequest() != nullptr; });
  int64_t written = 0;
  try {
    while (!signal.Done()) {
      if (StopRequest() != nullptr)
        throw stopped();
      const std::vector<float> *block = nullptr;
      try {
        block = &signal.RenderBlock();
      } catch (const HostInterrupted &) {
        throw stopped();
      }
      const int64_t frames = static_cast<int64_t>(block->size()) / signal.Channels();
      try {
        writer.Write(block->data(), frames);
      } catch (const HostError &) {
        // A write that a stop interrupted says so.
        if (StopRequest() != nullptr)
          throw stopped();
        throw;
      }
      written += frames;
      progress.Update(static_cast<double>(written) / signal.SampleRate(), expected);
    }
  } catch (const std::bad_alloc &) {
    throw HostError(settings.madeFrom + ": out of memory while " + settings.doing);
  }
  progress.Finish();
  writer.Commit();
  RemoveOnCrash("");

  const double total = static_cast<double>(written) / signal.SampleRate();
  const double cpu = CpuSeconds() - cpu_start;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  if (writer.NonFiniteSamples() > 0)
    std::cerr << "se-host: warning: " << name << ": " << writer.NonFiniteSamples()
              << " samples were not finite numbers and were written as 0\n";
  if (writer.ClippedSamples() > 0)
    std::cerr << "se-host: warning: " << name << ": " << writer.ClippedSamples()
              << " samples clipped at full scale (10 V); --format float keeps them\n";
  if (!settings.quiet) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "%s: %d channel%s, %.2f s at %.0f Hz, %s (%.2f s to render, %.3f s CPU per "
                  "second of audio)\n",
                  name.c_str(), signal.Channels(), signal.Channels() == 1 ? "" : "s", total,
                  signal.SampleRate(), format.Text().c_str(), wall,
                  total > 0.0 ? cpu / total : 0.0);
    // Standard output may be the file itself.
    (to_stdout ? std::cerr : std::cout) << line;
  }
}

} // namespace sehost::cli
