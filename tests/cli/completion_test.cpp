// The manual page and shell completion come from the command line that
// --help shows: every command and option there is in the manual, hidden ones
// are not, and completion offers commands, options, plugins, pins (of the
// plugin or of the patch on the line), choice items and formats. An
// installed se-host finds its plugins from its own folder.
#include "plugin_locator.h"
#include "run_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

namespace setest {
namespace {

// A line of the program's output without the CR that Windows' text mode adds.
std::string WithoutCr(std::string line) {
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  return line;
}

// The lines of `se-host __complete INDEX WORDS...`, the mode first.
std::vector<std::string> Candidates(const TempDir &dir, std::vector<std::string> words) {
  std::vector<std::string> args = {"__complete", std::to_string(words.size()), "se-host"};
  args.insert(args.end(), words.begin(), words.end());
  const ToolResult r = RunTool(args, dir.Path());
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);)
    lines.push_back(WithoutCr(line));
  return lines;
}

using Lines = std::vector<std::string>;

// The option names a --help text lists ("-o", "--output", ...).
std::vector<std::string> HelpOptions(const std::string &help) {
  std::vector<std::string> names;
  std::istringstream in(help);
  for (std::string raw; std::getline(in, raw);) {
    const std::string line = WithoutCr(raw);
    if (line.rfind("  -", 0) != 0)
      continue;
    std::istringstream words(line.substr(2, line.find(' ', 2) - 2));
    for (std::string name; std::getline(words, name, ',');)
      names.push_back(name);
  }
  return names;
}

// The commands a --help text lists under "Subcommands:".
std::vector<std::string> HelpCommands(const std::string &help) {
  std::vector<std::string> names;
  std::istringstream in(help);
  bool in_list = false;
  for (std::string raw; std::getline(in, raw);) {
    const std::string line = WithoutCr(raw);
    if (line == "Subcommands:")
      in_list = true;
    else if (line.empty())
      in_list = false;
    else if (in_list && line.rfind("  ", 0) == 0)
      names.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return names;
}

std::string RoffBold(const std::string &option) {
  std::string out = "\\fB";
  for (const char c : option)
    out += c == '-' ? std::string("\\-") : std::string(1, c);
  return out + "\\fR";
}

// A command whose Add function the commands header declares but whose row the
// command table lacks builds without a word (a command file with no
// declaration at all stops the build: -Wmissing-declarations): every
// `void AddXxx(CLI::App` there must be the command "xxx" of --help.
TEST(CliReference, EveryCommandTheHeaderDeclaresIsOnTheCommandLine) {
  TempDir dir;
  const std::string header = ReadText(std::string(SE_EXAMPLES_DIR) + "/../host/cli/commands.h");
  ASSERT_FALSE(header.empty());
  const ToolResult help = RunTool({"--help"}, dir.Path());
  ASSERT_EQ(help.status, 0) << help.err;
  const std::vector<std::string> commands = HelpCommands(help.out);
  const std::string prefix = "void Add", suffix = "(CLI::App";
  int declared = 0;
  for (size_t at = header.find(prefix); at != std::string::npos; at = header.find(prefix, at)) {
    at += prefix.size();
    const size_t end = header.find(suffix, at);
    if (end == std::string::npos || end == at || end - at > 40)
      continue;
    const std::string function = "Add" + header.substr(at, end - at);
    std::string name = header.substr(at, end - at);
    for (char &c : name)
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(std::find(commands.begin(), commands.end(), name), commands.end())
        << function << " is declared, but --help has no command \"" << name << "\"";
    ++declared;
  }
  EXPECT_GE(declared, 5);
}

TEST(CliReference, TheManualPageHoldsEveryCommandAndOptionOfHelp) {
  TempDir dir;
  const ToolResult man = RunTool({"--man"}, dir.Path());
  ASSERT_EQ(man.status, 0) << man.err;
  EXPECT_EQ(man.out.rfind(".TH SE\\-HOST 1 ", 0), 0u) << man.out.substr(0, 80);
  const ToolResult help = RunTool({"--help"}, dir.Path());
  for (const std::string &option : HelpOptions(help.out))
    EXPECT_NE(man.out.find(RoffBold(option)), std::string::npos) << option;
  // Every command --help lists (the known ones among them), each with its options.
  const std::vector<std::string> commands = HelpCommands(help.out);
  for (const char *known : {"describe", "render", "process", "plot", "synth"})
    EXPECT_NE(std::find(commands.begin(), commands.end(), known), commands.end()) << known;
  for (const std::string &command : commands) {
    EXPECT_NE(man.out.find(".SS \"" + command + "\""), std::string::npos) << command;
    const ToolResult sub = RunTool({command, "--help"}, dir.Path());
    for (const std::string &option : HelpOptions(sub.out))
      EXPECT_NE(man.out.find(RoffBold(option)), std::string::npos) << command << " " << option;
  }
  // Hidden: process's refused --duration, the completion command.
  const size_t process = man.out.find(".SS \"process\""), plot = man.out.find(".SS \"plot\"");
  EXPECT_EQ(man.out.substr(process, plot - process).find(RoffBold("--duration")),
            std::string::npos);
  EXPECT_EQ(man.out.find("__complete"), std::string::npos);
  EXPECT_EQ(help.out.find("__complete"), std::string::npos);
  // No line a formatter would take for a request it does not know.
  std::istringstream lines(man.out);
  for (std::string raw; std::getline(lines, raw);) {
    const std::string line = WithoutCr(raw);
    if (line.empty() || (line[0] != '.' && line[0] != '\''))
      continue;
    EXPECT_TRUE(line.rfind(".TH ", 0) == 0 || line.rfind(".SH ", 0) == 0 ||
                line.rfind(".SS ", 0) == 0 || line == ".TP" || line == ".PP" || line == ".br" ||
                line == ".nf" || line == ".fi" || line.rfind(".B ", 0) == 0 ||
                line.rfind(".BR ", 0) == 0)
        << line;
  }
}

TEST(Completion, CommandsOptionsPluginsPinsChoicesAndFormats) {
  TempDir dir;
  const std::string plugins = PluginDir();
  Lines commands = HelpCommands(RunTool({"--help"}, dir.Path()).out);
  commands.insert(commands.begin(), "words");
  EXPECT_EQ(Candidates(dir, {""}), commands);
  EXPECT_EQ(Candidates(dir, {"--plugin-dir", plugins, "desc"}), (Lines{"words", "describe"}));
  EXPECT_EQ(Candidates(dir, {"--plugin-dir", ""}), (Lines{"dirs"}));
  EXPECT_EQ(Candidates(dir, {"--vers"}), (Lines{"words", "--version"}));
  // Plugins: positional, after an option, in the --option=value form.
  EXPECT_EQ(Candidates(dir, {"describe", "ladder_filter", "w"}),
            (Lines{"words", "wavetable_generator"}));
  EXPECT_EQ(Candidates(dir, {"plot", "--response=l"}),
            (Lines{"words", "--response=ladder_filter"}));
  // Options of the command and the global ones; hidden ones never.
  const Lines process_options = Candidates(dir, {"process", "in.wav", "--"});
  EXPECT_NE(std::find(process_options.begin(), process_options.end(), "--tail"),
            process_options.end());
  EXPECT_NE(std::find(process_options.begin(), process_options.end(), "--plugin-dir"),
            process_options.end());
  EXPECT_EQ(std::find(process_options.begin(), process_options.end(), "--duration"),
            process_options.end());
  // process names the filter's pins; a choice pin's value, its items.
  const Lines filter_pins = Candidates(dir, {"process", "in.wav", "--set", ""});
  EXPECT_EQ(filter_pins.size(), 11u);
  EXPECT_NE(std::find(filter_pins.begin(), filter_pins.end(), "Filter Tap="), filter_pins.end());
  EXPECT_EQ(std::find(filter_pins.begin(), filter_pins.end(), "Output="), filter_pins.end());
  EXPECT_EQ(Candidates(dir, {"process", "in.wav", "--set", "Type="}),
            (Lines{"words", "Type=LP", "Type=HP"}));
  EXPECT_EQ(Candidates(dir, {"process", "in.wav", "--set", "Resonance="}), (Lines{"words"}));
  // --compare lists: the item after the last comma.
  EXPECT_EQ(
      Candidates(dir, {"plot", "--response", "ladder_filter", "--compare", "Emulate=Analog,D"}),
      (Lines{"words", "Emulate=Analog,Digital"}));
  // The oscillator's pins when it is the plugin on the line.
  const Lines osc = Candidates(dir, {"plot", "--response", "audio_oscillator", "--set", "Wav"});
  EXPECT_EQ(osc, (Lines{"words", "Waveform=", "Wave Quality="}));
  // Formats: containers and sample formats, comma-separated.
  EXPECT_EQ(Candidates(dir, {"render", "p.json", "-f", "flac,2"}), (Lines{"words", "flac,24"}));
  // Values only the command knows: the synth's presets and controls.
  EXPECT_EQ(Candidates(dir, {"synth", "s.mid", "--preset", "bass-a"}),
            (Lines{"words", "bass-acid"}));
  EXPECT_EQ(Candidates(dir, {"synth", "s.mid", "--set", "filter_tap=X"}),
            (Lines{"words", "filter_tap=X"}));
  EXPECT_EQ(Candidates(dir, {"synth", "s.mid", "--set", "osc2_sync="}),
            (Lines{"words", "osc2_sync=on", "osc2_sync=off"}));
  EXPECT_EQ(Candidates(dir, {"synth", "s.mid", "--set", "cutoff="}), (Lines{"none"}));
  EXPECT_EQ(Candidates(dir, {"render", "p"}), (Lines{"files:json"}));
  EXPECT_EQ(Candidates(dir, {"render", "p.json", "-o", "o"}), (Lines{"files"}));
  EXPECT_EQ(Candidates(dir, {"render", "p.json", "--rate", ""}), (Lines{"none"}));
}

TEST(Completion, PatchPinsAreNamedByTheModulesOfThePatch) {
  TempDir dir;
  dir.Write("chain.json", R"({"modules": [
      {"id": "f1", "plugin": "ladder_filter"}, {"id": "gen", "plugin": "wavetable_generator"},
      {"id": "bad", "plugin": "no_such_plugin"}, {"plugin": "ladder_filter"}]})");
  const Lines pins = Candidates(dir, {"render", dir / "chain.json", "--set", "f1.Q"});
  EXPECT_EQ(pins, (Lines{"words", "f1.Q Tap="}));
  EXPECT_EQ(Candidates(dir, {"render", dir / "chain.json", "--set", "f1.Q\\ Tap=4"}),
            (Lines{"words", "f1.Q Tap=4"}));
  // process with --patch names the patch's pins, not the filter's alone.
  EXPECT_EQ(
      Candidates(dir, {"process", "in.wav", "--patch", dir / "chain.json", "--set", "f1.Emu"}),
      (Lines{"words", "f1.Emulate="}));
  // A patch that cannot be read offers nothing, and says nothing.
  dir.Write("broken.json", "{\"modules\": [");
  EXPECT_EQ(Candidates(dir, {"render", dir / "broken.json", "--set", ""}), (Lines{"words"}));
  EXPECT_EQ(Candidates(dir, {"render", dir / "missing.json", "--set", ""}), (Lines{"words"}));
  // A request without its index is a usage mistake.
  EXPECT_EQ(RunTool({"__complete"}, dir.Path()).status, 2);
  EXPECT_EQ(RunTool({"__complete", "x", "se-host"}, dir.Path()).status, 2);
}

TEST(PluginLocator, AnInstalledProgramFindsItsPluginsFromItsOwnFolder) {
  TempDir dir;
  namespace fs = std::filesystem;
  const fs::path root = dir.Path();
  fs::create_directories(root / "usr/bin");
  // "../lib/se-modules", or on Debian "../lib/x86_64-linux-gnu/se-modules".
  const std::string from_program = sehost::PluginDirFromProgram();
  EXPECT_EQ(from_program.rfind("../lib/", 0), 0u) << from_program;
  EXPECT_EQ(fs::path(from_program).filename(), "se-modules") << from_program;
  const fs::path installed = (root / "usr/bin" / from_program).lexically_normal();
  const auto found = [&] {
    return fs::path(sehost::PluginDirOfProgram((root / "usr/bin").string())).lexically_normal();
  };
  // Neither folder: the build's plugins/ is named in the message.
  EXPECT_EQ(found(), (root / "usr/bin/plugins").lexically_normal());
  fs::create_directories(installed);
  EXPECT_EQ(found(), installed);
  // A build's plugins/ beside the program comes first.
  fs::create_directories(root / "usr/bin/plugins");
  EXPECT_EQ(found(), (root / "usr/bin/plugins").lexically_normal());
}

} // namespace
} // namespace setest
