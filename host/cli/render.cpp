// `se-host render PATCH -o FILE`: runs a patch and writes its outputs to an
// audio file (or to standard output).
#include "audio_file_writer.h"
#include "commands.h"
#include "patch.h"
#include "plugin_locator.h"
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

struct RenderOptions {
  std::string patch;
  std::string output;
  std::string format;
  bool quiet = false;
  bool noProgress = false;
  // In place of the patch's own values.
  CLI::Option *rateOption = nullptr;
  CLI::Option *durationOption = nullptr;
  double rate = 0.0;
  double duration = 0.0;
  std::vector<std::string> settings;
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// A number that stands for the patch's text (FNV-1a): an Ogg stream's serial
// number, the same on every render of one patch.
uint32_t PatchSerial(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  uint32_t hash = 2166136261u;
  for (std::istreambuf_iterator<char> c(in), end; c != end; ++c)
    hash = (hash ^ static_cast<unsigned char>(*c)) * 16777619u;
  return hash;
}

void Render(const RenderOptions &opt, const GlobalOptions &globals) {
  // Mistakes in the output path are reported before any work is done.
  CheckOutputPath(opt.output);
  ChooseOutputFormat(opt.output, opt.format, 0, 1);
  PatchOptions options;
  options.pluginDir = DefaultPluginDir(globals.pluginDir);
  if (opt.rateOption->count() > 0)
    options.sampleRate = opt.rate;
  if (opt.durationOption->count() > 0)
    options.duration = opt.duration;
  options.settings = opt.settings;
  auto patch = Patch::Load(opt.patch, options);
  CheckOutputIsNoInput(opt.output, patch->InputFiles());
  const OutputFormat format =
      ChooseOutputFormat(opt.output, opt.format, patch->Frames(), patch->Channels());

  const double cpu_start = CpuSeconds();
  const auto wall_start = std::chrono::steady_clock::now();
  // From here on every way of ending the tool is handled, so that the
  // temporary file is removed.
  InstallStopHandlers();
  AudioFileWriter writer(opt.output, format, patch->Channels(), patch->SampleRate(),
                         PatchSerial(opt.patch));
  RemoveOnCrash(writer.TemporaryPath());
  const bool to_stdout = opt.output == "-";
  const std::string name = to_stdout ? "standard output" : opt.output;
  Progress progress("rendering " + name, !opt.noProgress);
  const double total = static_cast<double>(patch->Frames()) / patch->SampleRate();
  // The host also looks for a stop request inside a block, so that a stop is
  // seen within a fraction of a second whatever the patch.
  patch->GetHost().SetInterruptCheck([] { return StopRequest() != nullptr; });
  const auto stopped = [&] {
    return HostError(name + ": stopped by " + StopRequest() +
                     (to_stdout ? "" : "; nothing was written"));
  };
  try {
    while (!patch->Done()) {
      if (StopRequest() != nullptr)
        throw stopped();
      const std::vector<float> *block = nullptr;
      try {
        block = &patch->RenderBlock();
      } catch (const HostInterrupted &) {
        throw stopped();
      }
      writer.Write(block->data(), static_cast<int64_t>(block->size()) / patch->Channels());
      progress.Update(static_cast<double>(patch->FramesRendered()) / patch->SampleRate(), total);
    }
  } catch (const std::bad_alloc &) {
    throw HostError(opt.patch + ": out of memory while rendering");
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
  if (!opt.quiet) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "%s: %d channel%s, %.2f s at %.0f Hz, %s (%.2f s to render, %.3f s CPU per "
                  "second of audio)\n",
                  name.c_str(), patch->Channels(), patch->Channels() == 1 ? "" : "s", total,
                  patch->SampleRate(), format.Text().c_str(), wall, cpu / total);
    // Standard output may be the file itself.
    (to_stdout ? std::cerr : std::cout) << line;
  }
}

} // namespace

void AddRender(CLI::App &app, const Globals &globals) {
  auto opt = std::make_shared<RenderOptions>();
  CLI::App *cmd = app.add_subcommand("render", "Render a patch to an audio file");
  cmd->add_option("patch", opt->patch, "Patch file (JSON)")->required();
  cmd->add_option("-o,--output", opt->output,
                  "Audio file to write; its extension names the type (" + UsualExtensions() +
                      "); - is standard output")
      ->required();
  cmd->add_option("-f,--format", opt->format,
                  "File type and/or sample format, comma-separated: " + ContainerNames() + "; " +
                      SampleFormatNames() + " (default 24)");
  opt->rateOption = cmd->add_option("--rate", opt->rate, "Sample rate in Hz, for the patch's own");
  opt->durationOption =
      cmd->add_option("--duration", opt->duration, "Seconds to render, for the patch's own");
  cmd->add_option("--set", opt->settings,
                  "A pin setting ID.PIN=VALUE as under \"pins\", for the patch's own "
                  "(repeatable)");
  cmd->add_flag("-q,--quiet", opt->quiet, "Print nothing when all went well");
  cmd->add_flag("--no-progress", opt->noProgress, "Never show the progress line");
  cmd->callback([opt, globals] { Render(*opt, *globals); });
}

} // namespace sehost::cli
