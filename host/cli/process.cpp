// `se-host process IN -o OUT`: runs an audio file through the ladder filter,
// or through a chain given as a patch. Every channel of the file goes through
// its own instance of the chain, at the file's own sample rate, for the file's
// length and a tail in which the chain rings out. The file is read in pieces
// as it plays (a file source), so its length costs no memory.
#include "audio_file.h"
#include "audio_file_writer.h"
#include "commands.h"
#include "message_text.h"
#include "patch_json.h"
#include "patch_signal.h"
#include "plugin_locator.h"
#include "source_types.h"
#include "sources/file_source.h"
#include "write_signal.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>

namespace sehost::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Seconds rendered after the file's end, so that a resonant filter rings out.
constexpr double kDefaultTail = 2.0;
constexpr double kMaxTail = 60.0;
// Each channel costs a whole chain of modules.
constexpr int kMaxChannels = 64;
// The patch used without --patch: one ladder filter with the id "filter".
constexpr const char *kFilterId = "filter";
constexpr const char *kFilterPatch = R"({
  "modules": [{"id": "filter", "plugin": "ladder_filter"}],
  "sources": [{"to": "filter.Signal", "type": "input"}],
  "outputs": ["filter.Output"]
})";

// A source of type "input" (a row of the source types' table) marks where the
// file goes in; the file and its channel come from the command line.
bool IsInputSource(const json &src) {
  return src.is_object() && src.contains("type") && src["type"] == kInputSourceType;
}

struct ProcessOptions {
  std::string input;
  std::string patch;
  WriteSettings write;
  double tail = kDefaultTail;
  std::vector<std::string> settings;
  // Refused: the file gives both.
  CLI::Option *rateOption = nullptr;
  CLI::Option *durationOption = nullptr;
  std::string unused;
};

// Checks that the patch marks where the file goes in and has one output, the
// processed signal. Throws HostError naming the patch.
void CheckMarkers(const json &doc, const std::string &name) {
  // Anything else wrong is left to the patch loader, which names it well.
  if (!doc.is_object())
    return;
  int inputs = 0;
  if (doc.contains("sources") && doc["sources"].is_array()) {
    const json &sources = doc["sources"];
    for (size_t i = 0; i < sources.size(); ++i) {
      const json &src = sources[i];
      if (!IsInputSource(src))
        continue;
      ++inputs;
      for (auto it = src.begin(); it != src.end(); ++it)
        if (it.key() != "to" && it.key() != "type" && it.key() != "gain")
          throw HostError(name + ": " + JsonChild(JsonChild("/sources", i), it.key()) +
                          ": an input source takes \"to\" and \"gain\"; the file and its "
                          "channel come from the command line");
    }
  }
  if (inputs == 0)
    throw HostError(name + ": no source of type \"input\" marks where the audio file goes in "
                           "(add {\"to\": \"id.pin\", \"type\": \"input\"} under \"sources\")");
  if (doc.contains("outputs") && doc["outputs"].is_array() && doc["outputs"].size() > 1)
    throw HostError(name +
                    ": /outputs: process takes each channel from one output; the patch "
                    "lists " +
                    std::to_string(doc["outputs"].size()));
}

// The patch for one channel: its input sources play that channel of the file,
// at the file's rate.
std::string ChannelPatch(json doc, const std::string &file, int channel, double rate) {
  doc["sample_rate"] = std::lround(rate);
  for (json &src : doc["sources"]) {
    if (!IsInputSource(src))
      continue;
    src["type"] = "file";
    src["path"] = file;
    src["channel"] = channel + 1;
  }
  return doc.dump();
}

// Opens the file to process and checks it can be; HostError if not.
std::unique_ptr<AudioFileReader> OpenInput(const std::string &path) {
  auto reader = std::make_unique<AudioFileReader>(path);
  if (const std::string problem = FileRateProblem(*reader); !problem.empty())
    throw HostError(problem);
  if (reader->Channels() > kMaxChannels)
    throw HostError(path + ": " + std::to_string(reader->Channels()) +
                    " channels; process takes at most " + std::to_string(kMaxChannels));
  if (reader->Frames() == 0)
    throw HostError(path + ": the file holds no samples");
  return reader;
}

void Process(const ProcessOptions &opt, const GlobalOptions &globals) {
  if (opt.rateOption->count() > 0)
    throw UsageError("--rate: process runs at the input file's own sample rate");
  if (opt.durationOption->count() > 0)
    throw UsageError("--duration: process runs for the input file's length and --tail");
  if (!(opt.tail >= 0.0 && opt.tail <= kMaxTail))
    throw UsageError("--tail: the tail must be from 0 to 60 seconds");
  // Mistakes in the output path are reported before any work is done.
  CheckOutputPath(opt.write.output);
  ChooseOutputFormat(opt.write.output, opt.write.format, 0, 1);
  const auto reader = OpenInput(opt.input);
  std::vector<std::string> inputs = {opt.input};
  if (!opt.patch.empty())
    inputs.push_back(opt.patch);
  CheckOutputIsNoInput(opt.write.output, inputs);

  const bool single = opt.patch.empty();
  const std::string name = single ? "the ladder filter" : opt.patch;
  const json doc = ParsePatchJson(single ? kFilterPatch : ReadPatchFile(opt.patch), name);
  CheckMarkers(doc, name);
  const fs::path parent = fs::path(opt.patch).parent_path();
  const std::string base_dir = parent.empty() ? "." : parent.string();

  PatchOptions options;
  options.pluginDir = DefaultPluginDir(globals.pluginDir);
  options.frames = reader->Frames() + std::llround(opt.tail * reader->SampleRate());
  // The single filter's pins are named alone; "filter.Pin" is taken as well.
  const std::string prefix = std::string(kFilterId) + ".";
  for (const std::string &setting : opt.settings)
    options.settings.push_back(single && setting.rfind(prefix, 0) != 0 ? prefix + setting
                                                                       : setting);
  // The file's path as seen from here, whatever folder the patch is in.
  const std::string file = fs::absolute(opt.input).generic_string();
  std::vector<std::unique_ptr<Patch>> patches;
  std::string first_text;
  for (int c = 0; c < reader->Channels(); ++c) {
    const std::string text = ChannelPatch(doc, file, c, reader->SampleRate());
    if (c == 0)
      first_text = text;
    patches.push_back(Patch::Parse(text, name, base_dir, options));
  }
  PatchSignal signal(std::move(patches));
  WriteSettings settings = opt.write;
  settings.madeFrom = opt.input;
  settings.doing = "processing";
  settings.serial = TextSerial(first_text);
  WriteSignal(signal, settings);
}

} // namespace

void AddProcess(CLI::App &app, const Globals &globals) {
  auto opt = std::make_shared<ProcessOptions>();
  CLI::App *cmd = app.add_subcommand(
      "process", "Run an audio file through the ladder filter (or a patch), channel by channel");
  cmd->add_option("input", opt->input, "Audio file to process (any type libsndfile reads)")
      ->type_name("AUDIO")
      ->required();
  AddOutputOptions(*cmd, opt->write);
  cmd->add_option("--patch", opt->patch,
                  "Patch (JSON) to run the file through instead of the ladder filter; a source "
                  "{\"to\": \"id.pin\", \"type\": \"input\"} marks where the file goes in, its "
                  "one output gives the result")
      ->type_name("PATCH");
  cmd->add_option("--set", opt->settings,
                  "A pin setting PIN=VALUE for the ladder filter, ID.PIN=VALUE for a patch, as "
                  "under \"pins\" (repeatable)")
      ->type_name("PIN=VALUE");
  cmd->add_option("--tail", opt->tail,
                  "Seconds rendered after the file's end, for the filter to ring out (default 2)");
  // Given by the file; named here only to be refused with a clear message.
  opt->rateOption = cmd->add_option("--rate", opt->unused)->group("");
  opt->durationOption = cmd->add_option("--duration", opt->unused)->group("");
  AddQuietOptions(*cmd, opt->write);
  cmd->callback([opt, globals] { Process(*opt, *globals); });
}

} // namespace sehost::cli
