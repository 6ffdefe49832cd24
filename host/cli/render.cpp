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
  CLI::Option *rate_option = nullptr;
  CLI::Option *duration_option = nullptr;
  double rate = 0.0;
  double duration = 0.0;
  std::vector<std::string> settings;
};

void Render(const RenderOptions &opt, const GlobalOptions &globals) {
  // Mistakes in the output path are reported before any work is done.
  CheckOutputPath(opt.write.output);
  ChooseOutputFormat(opt.write.output, opt.write.format, 0, 1);
  PatchOptions options;
  options.plugin_dir = DefaultPluginDir(globals.plugin_dir);
  if (opt.rate_option->count() > 0)
    options.sample_rate = opt.rate;
  if (opt.duration_option->count() > 0)
    options.duration = opt.duration;
  options.settings = opt.settings;
  auto patch = Patch::Load(opt.patch, options);
  CheckOutputIsNoInput(opt.write.output, patch->InputFiles());
  std::vector<std::unique_ptr<Patch>> patches;
  patches.push_back(std::move(patch));
  PatchSignal signal(std::move(patches));
  WriteSettings settings = opt.write;
  settings.made_from = opt.patch;
  settings.doing = "rendering";
  settings.serial = FileSerial(opt.patch);
  WriteSignal(signal, settings);
}

} // namespace

void AddRender(CLI::App &app, const Globals &globals) {
  auto opt = std::make_shared<RenderOptions>();
  CLI::App *cmd = app.add_subcommand("render", "Render a patch to an audio file");
  cmd->add_option("patch", opt->patch, "Patch file (JSON)")->required();
  AddOutputOptions(*cmd, opt->write);
  opt->rate_option = cmd->add_option("--rate", opt->rate, "Sample rate in Hz, for the patch's own");
  opt->duration_option =
      cmd->add_option("--duration", opt->duration, "Seconds to render, for the patch's own");
  cmd->add_option("--set", opt->settings,
                  "A pin setting ID.PIN=VALUE as under \"pins\", for the patch's own "
                  "(repeatable)");
  AddQuietOptions(*cmd, opt->write);
  cmd->callback([opt, globals] { Render(*opt, *globals); });
}

} // namespace sehost::cli
