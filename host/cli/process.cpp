// `se-host process IN -o OUT`: runs an audio file through the ladder filter,
// or through a chain given as a patch. Every channel of the file goes through
// its own instance of the chain, at the file's own sample rate, for as long as
// the file's data lasts (whatever its header claims) and a tail in which the
// chain rings out. The file is read once, in pieces, as it plays (an input
// feed), so its length costs no memory.
#include "audio_file.h"
#include "audio_file_writer.h"
#include "commands.h"
#include "input_feed.h"
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
#include <limits>

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
  // Refused: the file's length gives it.
  CLI::Option *durationOption = nullptr;
  CLI::Option *rateOption = nullptr;
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

// The patch for one channel, at the file's rate.
std::string ChannelPatch(json doc, double rate) {
  doc["sample_rate"] = std::lround(rate);
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
  return reader;
}

// The patches side by side, ended where the file's data ends plus the tail:
// the length is known only once the feed has read the end.
class ProcessSignal : public RenderedSignal {
public:
  ProcessSignal(std::unique_ptr<InputFeed> feed, PatchSignal patches, int64_t tail)
      : m_feed(std::move(feed)), m_patches(std::move(patches)), m_tail(tail) {}

  int Channels() const override { return m_patches.Channels(); }
  double SampleRate() const override { return m_patches.SampleRate(); }
  int64_t Frames() const override {
    return m_feed->EndFrame() < 0 ? kUnknownLength : m_feed->EndFrame() + m_tail;
  }
  // The header's claim, as long as it is a plausible one.
  int64_t ExpectedFrames() const override {
    const int64_t claim = m_feed->Reader().Frames();
    return Frames() != kUnknownLength                                  ? Frames()
           : claim < std::numeric_limits<int32_t>::max() * int64_t{64} ? claim + m_tail
                                                                       : 0;
  }
  int64_t FramesRendered() const override { return m_rendered; }
  const std::vector<float> &RenderBlock() override {
    const std::vector<float> &block = m_patches.RenderBlock();
    const auto channels = static_cast<size_t>(Channels());
    const auto frames = static_cast<int64_t>(block.size() / channels);
    // The block in which the file's end (plus the tail) falls is cut there.
    const int64_t keep =
        Frames() == kUnknownLength ? frames : std::clamp<int64_t>(Frames() - m_rendered, 0, frames);
    m_rendered += keep;
    if (keep == frames)
      return block;
    m_block.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(keep * channels));
    return m_block;
  }
  void SetInterruptCheck(bool (*check)()) override { m_patches.SetInterruptCheck(check); }

private:
  std::unique_ptr<InputFeed> m_feed;
  PatchSignal m_patches;
  int64_t m_tail;
  int64_t m_rendered = 0;
  std::vector<float> m_block;
};

void Process(const ProcessOptions &opt, const GlobalOptions &globals) {
  if (opt.input == "-")
    throw UsageError("process reads an audio file; standard input is not accepted (save it to a "
                     "file first)");
  if (opt.durationOption->count() > 0)
    throw UsageError("--duration: process runs for the input file's length and --tail");
  // 0 stands for the file's own rate only when --rate is not given.
  if (opt.rateOption->count() > 0 && !(opt.write.rate > 0.0))
    throw UsageError("--rate: the output rate must be a whole number of Hz from 1000 to 768000");
  if (!(opt.tail >= 0.0 && opt.tail <= kMaxTail))
    throw UsageError("--tail: the tail must be from 0 to 60 seconds");
  // Mistakes in the output path are reported before any work is done.
  CheckOutput(opt.write);
  std::vector<std::string> inputs = {opt.input};
  if (!opt.patch.empty())
    inputs.push_back(opt.patch);
  CheckOutputIsNoInput(opt.write.output, inputs);
  auto feed = std::make_unique<InputFeed>(OpenInput(opt.input));
  const AudioFileReader &reader = feed->Reader();

  const bool single = opt.patch.empty();
  const std::string name = single ? "the ladder filter" : opt.patch;
  const json doc = ParsePatchJson(single ? kFilterPatch : ReadPatchFile(opt.patch), name);
  CheckMarkers(doc, name);
  const fs::path parent = fs::path(opt.patch).parent_path();
  const std::string base_dir = parent.empty() ? "." : parent.string();

  PatchOptions options;
  options.pluginDir = DefaultPluginDir(globals.pluginDir);
  // Open-ended: the signal ends the render where the file's data ends.
  options.frames = std::numeric_limits<int64_t>::max() / 2;
  // The single filter's pins are named alone; "filter.Pin" is taken as well.
  const std::string prefix = std::string(kFilterId) + ".";
  for (const std::string &setting : opt.settings)
    options.settings.push_back(single && setting.rfind(prefix, 0) != 0 ? prefix + setting
                                                                       : setting);
  const std::string text = ChannelPatch(doc, reader.SampleRate());
  std::vector<std::unique_ptr<Patch>> patches;
  for (int c = 0; c < reader.Channels(); ++c) {
    InputFeed &input = *feed;
    options.input = [&input, c](double gain) { return input.ChannelSource(c, gain); };
    patches.push_back(Patch::Parse(text, name, base_dir, options));
  }
  // Every channel's patch says the same; a setting is quoted as it was typed.
  std::vector<std::string> warnings = patches.front()->Warnings();
  const std::string added = "--set " + prefix;
  for (std::string &w : warnings)
    for (const std::string &setting : opt.settings)
      if (single && w.rfind(added + setting + ":", 0) == 0)
        w.erase(6, prefix.size());
  ShowWarnings(warnings);
  const int64_t tail = std::llround(opt.tail * reader.SampleRate());
  ProcessSignal signal(std::move(feed), PatchSignal(std::move(patches)), tail);
  WriteSettings settings = opt.write;
  settings.madeFrom = opt.input;
  settings.doing = "processing";
  // The same file through the same patch always gives the same Ogg stream.
  settings.serial = TextSerial(text + fs::absolute(opt.input).generic_string());
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
                  "Seconds rendered after the file's end, for the filter to ring out (default 2)")
      ->type_name("SECONDS");
  opt->rateOption =
      cmd->add_option("--rate", opt->write.rate,
                      "Sample rate of the output in Hz: the result is resampled to it (the patch "
                      "still runs at the file's own rate)")
          ->type_name("HZ");
  // Given by the file; named here only to be refused with a clear message.
  opt->durationOption = cmd->add_option("--duration", opt->unused)->group("");
  AddQuietOptions(*cmd, opt->write);
  cmd->callback([opt, globals] { Process(*opt, *globals); });
}

} // namespace sehost::cli
