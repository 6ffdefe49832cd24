// `se-host render PATCH -o FILE`: runs a patch and writes its outputs to a WAV
// or FLAC file.
#include "audio_file.h"
#include "commands.h"
#include "patch.h"
#include "plugin_locator.h"
#include "progress.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>

namespace sehost::cli {
namespace {

struct RenderOptions {
  std::string patch;
  std::string output;
  std::string format = "24";
  bool quiet = false;
  bool no_progress = false;
  // In place of the patch's own values.
  CLI::Option *rate_option = nullptr;
  CLI::Option *duration_option = nullptr;
  double rate = 0.0;
  double duration = 0.0;
  std::vector<std::string> settings;
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

void Render(const RenderOptions &opt, const GlobalOptions &globals) {
  const SampleFormat format = ParseSampleFormat(opt.format);
  // Mistakes in the output path are reported before any work is done.
  CheckOutputPath(opt.output);
  PatchOptions options;
  options.plugin_dir = DefaultPluginDir(globals.plugin_dir);
  if (opt.rate_option->count() > 0)
    options.sample_rate = opt.rate;
  if (opt.duration_option->count() > 0)
    options.duration = opt.duration;
  options.settings = opt.settings;
  auto patch = Patch::Load(opt.patch, options);

  const double cpu_start = CpuSeconds();
  const auto wall_start = std::chrono::steady_clock::now();
  // From here on an interrupt is handled, so that the temporary file is removed.
  InstallInterruptHandler();
  AudioFileWriter writer(opt.output, patch->Channels(), patch->SampleRate(), format);
  Progress progress("rendering " + opt.output, !opt.no_progress);
  const double total = static_cast<double>(patch->Frames()) / patch->SampleRate();
  // The host also looks at the flag inside a block, so that a stop is seen
  // within a fraction of a second whatever the patch.
  patch->GetHost().SetInterruptCheck(&Interrupted);
  const HostError interrupted(opt.output + ": interrupted; nothing was written");
  while (!patch->Done()) {
    if (Interrupted())
      throw interrupted;
    const std::vector<float> *block = nullptr;
    try {
      block = &patch->RenderBlock();
    } catch (const HostInterrupted &) {
      throw interrupted;
    }
    writer.Write(block->data(), static_cast<int64_t>(block->size()) / patch->Channels());
    progress.Update(static_cast<double>(patch->FramesRendered()) / patch->SampleRate(), total);
  }
  progress.Finish();
  writer.Commit();

  const double cpu = CpuSeconds() - cpu_start;
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
  if (writer.NonFiniteSamples() > 0)
    std::cerr << "se-host: warning: " << opt.output << ": " << writer.NonFiniteSamples()
              << " samples were not finite numbers and were written as 0\n";
  if (writer.ClippedSamples() > 0)
    std::cerr << "se-host: warning: " << opt.output << ": " << writer.ClippedSamples()
              << " samples clipped at full scale (10 V); --format float keeps them\n";
  if (!opt.quiet) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "%s: %d channel%s, %.2f s at %.0f Hz, %s (%.2f s to render, %.3f s CPU per "
                  "second of audio)\n",
                  opt.output.c_str(), patch->Channels(), patch->Channels() == 1 ? "" : "s", total,
                  patch->SampleRate(), SampleFormatText(format), wall, cpu / total);
    std::cout << line;
  }
}

} // namespace

void AddRender(CLI::App &app, const Globals &globals) {
  auto opt = std::make_shared<RenderOptions>();
  CLI::App *cmd = app.add_subcommand("render", "Render a patch to a WAV or FLAC file");
  cmd->add_option("patch", opt->patch, "Patch file (JSON)")->required();
  cmd->add_option("-o,--output", opt->output, "Audio file to write (.wav or .flac)")->required();
  cmd->add_option("-f,--format", opt->format, "Sample format: 16, 24 or float")
      ->capture_default_str();
  opt->rate_option = cmd->add_option("--rate", opt->rate, "Sample rate in Hz, for the patch's own");
  opt->duration_option =
      cmd->add_option("--duration", opt->duration, "Seconds to render, for the patch's own");
  cmd->add_option("--set", opt->settings,
                  "A pin setting ID.PIN=VALUE as under \"pins\", for the patch's own "
                  "(repeatable)");
  cmd->add_flag("-q,--quiet", opt->quiet, "Print nothing when all went well");
  cmd->add_flag("--no-progress", opt->no_progress, "Never show the progress line");
  cmd->callback([opt, globals] { Render(*opt, *globals); });
}

} // namespace sehost::cli
