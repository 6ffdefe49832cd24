// `se-host synth SONG.mid -o FILE`: plays a standard MIDI file (formats 0 and
// 1, every channel, tempo changes) through the synth engine, the one the LV2
// synth runs, and writes its stereo output until the last release has died
// away. The same MIDI at the same rate gives the same samples as the plugin
// under an LV2 host whose runs fall on the engine's 32-frame grid.
#include "audio_file_writer.h"
#include "commands.h"
#include "host_error.h"
#include "message_text.h"
#include "synth/midi_file.h"
#include "synth/presets.h"
#include "synth/song.h"
#include "synth_signal.h"
#include "write_signal.h"

#include "se_text.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

namespace sehost::cli {
namespace {

constexpr double kMaxSongHours = 12.0;

struct SynthOptions {
  std::string song;
  WriteSettings write;
  std::string preset;
  std::vector<std::string> settings;
  double rate = 48000.0;
};

std::string PresetNames() {
  std::string names;
  for (const synth::Preset &p : synth::FactoryPresets())
    names += (names.empty() ? "" : ", ") + std::string(p.symbol);
  return names;
}

// A value as written after "control=": a number, or a choice's item text.
float ParseValue(const synth::ControlSpec &c, const std::string &text, const std::string &arg) {
  for (const se::ChoiceMeta &item : c.choices)
    if (se::SameLetters(item.text, text))
      return static_cast<float>(item.shown);
  if (c.kind == synth::Kind::kToggle &&
      (se::SameLetters(text, "on") || se::SameLetters(text, "off")))
    return se::SameLetters(text, "on") ? 1.0f : 0.0f;
  double v = 0.0;
  const char *end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, v);
  if (text.empty() || error != std::errc() || ptr != end || !std::isfinite(v)) {
    std::string expected = "a number";
    if (!c.choices.empty()) {
      expected = "one of";
      for (const se::ChoiceMeta &item : c.choices)
        expected += " " + std::string(item.text) + ",";
      expected.pop_back();
    }
    throw UsageError("--set " + EscapedText(arg) + ": the value must be " + expected);
  }
  if (v < c.minimum || v > c.maximum)
    throw UsageError("--set " + EscapedText(arg) + ": " + c.symbol + " runs from " +
                     std::to_string(c.minimum) + " to " + std::to_string(c.maximum));
  return static_cast<float>(v);
}

// The controls: the defaults or the preset's, then each --set in turn.
void Controls(const SynthOptions &opt, float (&values)[synth::kControlCount]) {
  for (int c = 0; c < synth::kControlCount; ++c)
    values[c] = synth::kControls[c].defaultValue;
  if (!opt.preset.empty()) {
    const synth::Preset *p = synth::FindPreset(opt.preset);
    if (p == nullptr)
      throw UsageError("no preset " + Quoted(opt.preset) + " (presets: " + PresetNames() + ")");
    synth::PresetControls(*p, values);
  }
  for (const std::string &arg : opt.settings) {
    const size_t eq = arg.find('=');
    if (eq == std::string::npos)
      throw UsageError("--set " + EscapedText(arg) + ": write CONTROL=VALUE, e.g. cutoff=800");
    const std::string name = arg.substr(0, eq);
    const int32_t c = synth::FindControl(name);
    if (c < 0)
      throw UsageError("--set " + EscapedText(arg) + ": no control " + Quoted(name) +
                       " (se-host synth --help lists them)");
    values[c] = synth::ContainValue(static_cast<synth::Control>(c),
                                    ParseValue(synth::kControls[c], arg.substr(eq + 1), arg));
  }
}

synth::Song ReadSong(const std::string &path, uint32_t rate) {
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw HostError(path + ": cannot be read");
  std::vector<uint8_t> bytes;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    if (bytes.size() > synth::kMaxMidiFileBytes)
      throw HostError(path + ": not a MIDI file this tool plays: larger than 64 MiB");
  }
  if (in.bad())
    throw HostError(path + ": cannot be read");
  synth::MidiFile file;
  const std::string error = synth::ReadMidiFile(bytes, file);
  if (!error.empty())
    throw HostError(path + ": not a MIDI file this tool plays: " + error);
  synth::Song song = synth::ScheduleSong(file, rate);
  if (static_cast<double>(song.endFrame) > kMaxSongHours * 3600.0 * rate)
    throw HostError(path + ": lasts more than 12 hours");
  return song;
}

void Synth(const SynthOptions &opt) {
  // Every mistake in the output options is named before the song is read.
  CheckOutput(opt.write);
  if (!(opt.rate >= 8000.0 && opt.rate <= 384000.0) || opt.rate != std::floor(opt.rate))
    throw UsageError("--rate must be a whole number of Hz from 8000 to 384000");
  const auto rate = static_cast<uint32_t>(opt.rate);
  float controls[synth::kControlCount];
  Controls(opt, controls);
  CheckOutputIsNoInput(opt.write.output, {opt.song});
  SynthSignal signal(controls, ReadSong(opt.song, rate), rate);
  WriteSettings settings = opt.write;
  settings.madeFrom = opt.song;
  settings.doing = "playing";
  settings.serial = FileSerial(opt.song);
  WriteSignal(signal, settings);
}

std::string ControlList() {
  std::string text = "Controls (--set), by symbol:";
  for (const synth::ControlSpec &c : synth::kControls)
    text += std::string(" ") + c.symbol;
  return text + ".\nPresets (--preset): " + PresetNames() + ".";
}

} // namespace

std::vector<std::string> SynthValues(const std::string &kind, const std::string &typed) {
  std::vector<std::string> words;
  if (kind == "NAME") {
    for (const synth::Preset &p : synth::FactoryPresets())
      words.emplace_back(p.symbol);
  } else if (kind == "CONTROL=VALUE") {
    const size_t eq = typed.find('=');
    for (const synth::ControlSpec &c : synth::kControls) {
      const std::string symbol = c.symbol;
      if (eq == std::string::npos)
        words.push_back(symbol + "=");
      else if (typed.compare(0, eq, symbol) == 0 && c.kind == synth::Kind::kToggle)
        words.insert(words.end(), {symbol + "=on", symbol + "=off"});
      else if (typed.compare(0, eq, symbol) == 0)
        for (const se::ChoiceMeta &item : c.choices)
          words.push_back(symbol + "=" + std::string(item.text));
    }
  }
  return words;
}

void AddSynth(CLI::App &app, const Globals &) {
  auto opt = std::make_shared<SynthOptions>();
  CLI::App *cmd = app.add_subcommand(
      "synth", "Play a standard MIDI file through the synth and write its stereo output");
  cmd->add_option("song", opt->song, "MIDI file (format 0 or 1)")->required();
  AddOutputOptions(*cmd, opt->write);
  cmd->add_option("--preset", opt->preset, "A factory preset, by its name or symbol")
      ->type_name("NAME");
  cmd->add_option("--set", opt->settings,
                  "A control CONTROL=VALUE (a number in the control's unit, or a choice's "
                  "name), after the preset (repeatable)")
      ->type_name("CONTROL=VALUE");
  cmd->add_option("--rate", opt->rate, "Sample rate in Hz (default 48000)")->type_name("HZ");
  AddQuietOptions(*cmd, opt->write);
  cmd->footer(ControlList());
  cmd->callback([opt] { Synth(*opt); });
}

} // namespace sehost::cli
