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
  const OutputFormat format =
      ChooseOutputFormat(settings.output, settings.format, signal.Frames(), signal.Channels());
  const double cpu_start = CpuSeconds();
  const auto wall_start = std::chrono::steady_clock::now();
  // From here on every way of ending the tool is handled, so that the
  // temporary file is removed.
  InstallStopHandlers();
  AudioFileWriter writer(settings.output, format, signal.Channels(), signal.SampleRate(),
                         settings.serial);
  RemoveOnCrash(writer.TemporaryPath());
  const bool to_stdout = settings.output == "-";
  const std::string name = to_stdout ? "standard output" : settings.output;
  Progress progress(settings.doing + " " + name, !settings.noProgress);
  const double total = static_cast<double>(signal.Frames()) / signal.SampleRate();
  // The host also looks for a stop request inside a block, so that a stop is
  // seen within a fraction of a second whatever the patch.
  signal.SetInterruptCheck([] { return StopRequest() != nullptr; });
  const auto stopped = [&] {
    return HostError(name + ": stopped by " + StopRequest() +
                     (to_stdout ? "" : "; nothing was written"));
  };
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
      writer.Write(block->data(), static_cast<int64_t>(block->size()) / signal.Channels());
      progress.Update(static_cast<double>(signal.FramesRendered()) / signal.SampleRate(), total);
    }
  } catch (const std::bad_alloc &) {
    throw HostError(settings.madeFrom + ": out of memory while " + settings.doing);
  }
  progress.Finish();
  writer.Commit();
  RemoveOnCrash("");

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
                  signal.SampleRate(), format.Text().c_str(), wall, cpu / total);
    // Standard output may be the file itself.
    (to_stdout ? std::cerr : std::cout) << line;
  }
}

} // namespace sehost::cli
