#include "man_page.h"

#include "about.h"
#include "plugin_locator.h"

#include <cctype>
#include <filesystem>
#include <sstream>

namespace sehost::cli {
namespace {

namespace fs = std::filesystem;

// Text as roff prints it: backslashes and hyphens escaped, and no line
// that starts with a control character.
std::string Roff(const std::string &text) {
  std::string out;
  bool line_start = true;
  for (const char c : text) {
    if (line_start && (c == '.' || c == '\''))
      out += "\\&";
    line_start = c == '\n';
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  return out;
}

std::string Bold(const std::string &s) { return "\\fB" + Roff(s) + "\\fR"; }
std::string Italic(const std::string &s) { return "\\fI" + Roff(s) + "\\fR"; }

// The value name an option shows ("PIN=VALUE"), without a validator's text.
std::string ValueName(const CLI::Option &opt) {
  const std::string type = opt.get_type_name();
  return type.substr(0, type.find(':'));
}

// A positional's name in a synopsis: its value name, or its own name in capitals.
std::string PositionalName(const CLI::Option &opt) {
  std::string name = ValueName(opt);
  if (name.empty() || name == "TEXT") {
    name = opt.get_name(true);
    for (char &c : name)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return name;
}

bool Visible(const CLI::Option &opt) { return !opt.get_group().empty(); }

std::vector<const CLI::Option *> Positionals(const CLI::App &app) {
  return app.get_options(
      [](const CLI::Option *o) { return o->get_positional() && !o->nonpositional(); });
}

std::string Synopsis(const CLI::App &cmd) {
  std::string s = ".B se\\-host " + Roff(cmd.get_name()) + "\n";
  for (const CLI::Option *opt : Positionals(cmd)) {
    std::string word = Italic(PositionalName(*opt));
    if (opt->get_items_expected_max() > 1)
      word += "...";
    s += opt->get_required() ? word + " " : "[" + word + "] ";
  }
  return s + "[" + Italic("OPTIONS") + "]\n.br\n";
}

// The options of `cmd` (a command's own --help is said once, under OPTIONS).
void Options(const CLI::App &cmd, bool with_help, std::ostringstream &out) {
  for (const CLI::Option *opt : cmd.get_options()) {
    if (!Visible(*opt) || (!with_help && opt == cmd.get_help_ptr()))
      continue;
    std::string names;
    if (opt->nonpositional()) {
      for (const std::string &s : opt->get_snames())
        names += (names.empty() ? "" : ", ") + Bold("-" + s);
      for (const std::string &l : opt->get_lnames())
        names += (names.empty() ? "" : ", ") + Bold("--" + l);
      if (opt->get_type_size_max() > 0)
        names += " " + Italic(ValueName(*opt));
    } else {
      names = Italic(PositionalName(*opt));
    }
    std::string text = opt->get_description();
    if (opt->get_required() && opt->nonpositional())
      text += " (required)";
    if (!opt->get_default_str().empty())
      text += " (default: " + opt->get_default_str() + ")";
    for (const CLI::Option *need : opt->get_needs())
      text += " (with " + need->get_name() + ")";
    out << ".TP\n" << names << "\n" << Roff(text) << "\n";
  }
}

} // namespace

std::string ManPage(const CLI::App &app, const std::string &version) {
  std::string summary = app.get_description();
  if (summary.rfind("se-host: ", 0) == 0)
    summary = summary.substr(9);
  const auto commands =
      app.get_subcommands([](const CLI::App *sub) { return !sub->get_group().empty(); });

  std::ostringstream out;
  out << ".TH SE\\-HOST 1 \"\" \"se\\-host " << Roff(version) << "\" \"User Commands\"\n"
      << ".SH NAME\nse\\-host \\- " << Roff(summary) << "\n"
      << ".SH SYNOPSIS\n.B se\\-host\n[" << Bold("--plugin-dir") << " " << Italic("DIR") << "] "
      << Italic("COMMAND") << " [" << Italic("ARGUMENTS") << "]\n.br\n";
  for (const CLI::App *cmd : commands)
    out << Synopsis(*cmd);
  out << ".B se\\-host\n"
      << Bold("--help") << " | " << Bold("--version") << "\n"
      << ".SH DESCRIPTION\n"
      << Roff("se-host is a host for audio module libraries on the command line: it loads "
              "their plugin files, lists what their pins do, renders patches (modules, their "
              "settings and connections, written as JSON) to audio files, runs audio files "
              "through a filter or a patch, and draws audio files and filter responses with "
              "gnuplot. Every command takes --help. Patches are described in the README and in "
              "docs/patch-format.md, installed with se-host in share/doc/ladder-osc-modules/ "
              "under its prefix (/usr), with example patches in examples/ there.")
      << "\n"
      << ".SH COMMANDS\n";
  for (const CLI::App *cmd : commands) {
    out << ".SS \"" << Roff(cmd->get_name()) << "\"\n" << Roff(cmd->get_description()) << "\n";
    Options(*cmd, false, out);
    if (!cmd->get_footer().empty() && cmd->get_footer() != app.get_footer())
      out << ".PP\n" << Roff(cmd->get_footer()) << "\n";
  }
  out << ".SH OPTIONS\nThese may also follow the command.\n";
  Options(app, true, out);
  out << ".SH ENVIRONMENT\n.TP\n.B SE_PLUGIN_DIR\n"
      << Roff("The folder of the plugin files when --plugin-dir is not given.") << "\n"
      << ".SH FILES\n.TP\n"
      << Italic(PluginDirFromProgram()) << "\n"
      << Roff("The plugin files, in this folder relative to the one that holds se-host (" +
              (fs::path("/usr/bin") / PluginDirFromProgram()).lexically_normal().string() +
              " for /usr/bin/se-host). A folder named plugins beside se-host (a build) comes "
              "first.")
      << "\n"
      << ".SH EXIT STATUS\n"
      << Roff(app.get_footer()) << "\n"
      << ".SH EXAMPLES\n.nf\n"
      << Roff("se-host describe ladder_filter\n"
              "se-host render patch.json -o out.flac --set vcf.Resonance=7\n"
              "se-host process drums.wav -o dark.wav --set Pitch=800Hz --set Resonance=6\n"
              "se-host plot out.flac -o out.png\n"
              "se-host plot --response ladder_filter --compare \"Filter Tap=2,3,4,5\" -o taps.png")
      << "\n.fi\n"
      << ".SH SEE ALSO\n.BR lv2ls (1),\n.BR jalv (1),\n.BR gnuplot (1)\n"
      << ".SH COPYRIGHT\n"
      << Roff(kCopyright) << ".\n.br\n"
      << Roff(kLicence) << "\n";
  return out.str();
}

} // namespace sehost::cli
