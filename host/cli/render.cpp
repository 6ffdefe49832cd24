// `se-host render PATCH -o FILE`: runs a patch and writes its outputs to an
// audio file (or to standard output).
#include "audio_file_writer.h"
#include "commands.h"
#include "patch_signal.h"
#include "plugin_locator.h"
#include "write_signal.h"

namespace sehost::cli {
namespace {

struct RenderOptions {
  std::string patch;
  WriteSettings write;
  // In place of the patch's own values.
  CLI::Option *rateOption = nullptr;
  CLI::Option *durationOption = nullptr;
  double rate = 0.0;
  double duration = 0.0;
  std::vector<std::string> settings;
};

void Render(const RenderOptions &opt, const GlobalOptions &globals) {
  // Mistakes in the output path are reported before any work is done.
  CheckOutput(opt.write);
  PatchOptions options;
  options.pluginDir = DefaultPluginDir(globals.pluginDir);
  if (opt.rateOption->count() > 0)
    options.sampleRate = opt.rate;
  if (opt.durationOption->count() > 0)
    options.duration = opt.duration;
  options.settings = opt.settings;
  auto patch = Patch::Load(opt.patch, options);
  ShowWarnings(patch->Warnings());
  CheckOutputIsNoInput(opt.write.output, patch->InputFiles());
  std::vector<std::unique_ptr<Patch>> patches;
  patches.push_back(std::move(patch));
  PatchSignal signal(std::move(patches));
  WriteSettings settings = opt.write;
  settings.madeFrom = opt.patch;
  settings.doing = "rendering";
  settings.serial = FileSerial(opt.patch);
  WriteSignal(signal, settings);
}

} // namespace

void AddRender(CLI::App &app, const Globals &globals) {
  auto opt = std::make_shared<RenderOptions>();
  CLI::App *cmd = app.add_subcommand("render", "Render a patch to an audio file");
  cmd->add_option("patch", opt->patch, "Patch file (JSON)")->type_name("PATCH")->required();
  AddOutputOptions(*cmd, opt->write);
  opt->rateOption = cmd->add_option("--rate", opt->rate, "Sample rate in Hz, for the patch's own");
  opt->durationOption =
      cmd->add_option("--duration", opt->duration, "Seconds to render, for the patch's own");
  cmd->add_option("--set", opt->settings,
                  "A pin setting ID.PIN=VALUE as under \"pins\", for the patch's own "
                  "(repeatable)")
      ->type_name("ID.PIN=VALUE");
  AddQuietOptions(*cmd, opt->write);
  cmd->callback([opt, globals] { Render(*opt, *globals); });
}

} // namespace sehost::cli
