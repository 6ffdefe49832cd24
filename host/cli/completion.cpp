#include "completion.h"

#include "audio_formats.h"
#include "commands.h"
#include "plugin_library.h"
#include "plugin_locator.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <fstream>
#include <iostream>

namespace sehost::cli {
namespace {

bool StartsWith(const std::string &s, const std::string &prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// A word as the shell will pass it once typed: quotes and backslashes gone.
std::string Unquoted(const std::string &word) {
  std::string out;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word[i] == '\\' && i + 1 < word.size())
      out += word[++i];
    else if (word[i] != '"' && word[i] != '\'')
      out += word[i];
  }
  return out;
}

// What an option's value is: its value name without the validator's text
// ("PIN=VALUE", "PLUGIN", "FLOAT").
std::string Kind(const CLI::Option &opt) {
  const std::string type = opt.get_type_name();
  return type.substr(0, type.find(':'));
}

bool TakesValue(const CLI::Option &opt) { return opt.get_type_size_max() > 0; }

bool Hidden(const CLI::Option &opt) { return opt.get_group().empty(); }

const CLI::Option *FindNamed(const CLI::App &app, const std::string &word) {
  for (const CLI::Option *opt : app.get_options()) {
    if (StartsWith(word, "--")) {
      const auto &names = opt->get_lnames();
      if (std::find(names.begin(), names.end(), word.substr(2)) != names.end())
        return opt;
    } else if (word.size() == 2) {
      const auto &names = opt->get_snames();
      if (std::find(names.begin(), names.end(), word.substr(1)) != names.end())
        return opt;
    }
  }
  return nullptr;
}

std::vector<const CLI::Option *> Positionals(const CLI::App &app) {
  return app.get_options(
      [](const CLI::Option *o) { return o->get_positional() && !o->nonpositional(); });
}

std::vector<const CLI::App *> VisibleCommands(const CLI::App &app) {
  return app.get_subcommands([](const CLI::App *sub) { return !sub->get_group().empty(); });
}

// What the words before the one being completed say.
struct Line {
  const CLI::App *app = nullptr;
  const CLI::App *command = nullptr;
  const Command *row = nullptr; // the command's row of the table
  std::string pluginDir, plugin, patch;

  const CLI::Option *Find(const std::string &word) const {
    const CLI::Option *opt = command != nullptr ? FindNamed(*command, word) : nullptr;
    return opt != nullptr ? opt : FindNamed(*app, word); // global options may follow the command
  }

  void Take(const CLI::Option &opt, const std::string &value) {
    const std::string kind = Kind(opt);
    const auto &names = opt.get_lnames();
    if (std::find(names.begin(), names.end(), "plugin-dir") != names.end())
      pluginDir = value;
    else if (kind == "PLUGIN")
      plugin = value;
    else if (kind == "PATCH")
      patch = value;
  }
};

class Answer {
public:
  explicit Answer(std::string typed) : m_typed(std::move(typed)) {}

  CompletionAnswer Mode(const std::string &mode) const { return {mode, {}}; }

  // Every candidate that starts with what was typed, once each, in order.
  CompletionAnswer Words(const std::vector<std::string> &candidates) const {
    CompletionAnswer a{"words", {}};
    for (const std::string &c : candidates)
      if (StartsWith(c, m_typed) && std::find(a.words.begin(), a.words.end(), c) == a.words.end())
        a.words.push_back(c);
    return a;
  }

  const std::string &Typed() const { return m_typed; }

private:
  std::string m_typed;
};

// The pins a value may name: inputs that take a value (audio and choice
// pins), or with `any` every pin the module has a DSP pin object for.
std::vector<PinInfo> PluginPins(const std::string &plugin, const std::string &dir, bool any) {
  std::vector<PinInfo> pins;
  try {
    const auto lib = PluginLibrary::Load(ResolvePlugin(plugin, dir));
    for (const PinInfo &p : lib->Pins())
      if (p.dsp_index >= 0 &&
          (any || (p.IsInput() && (p.datatype == DT_FSAMPLE || p.datatype == DT_CHOICE))))
        pins.push_back(p);
  } catch (const std::exception &) {
    // A name still being typed, or a folder without it: nothing to offer.
  }
  return pins;
}

// The settable pins of every module of a patch, named "id.pin".
std::vector<PinInfo> PatchPins(const std::string &path, const std::string &dir) {
  std::vector<PinInfo> pins;
  std::ifstream in(path);
  const nlohmann::json doc = nlohmann::json::parse(in, nullptr, false);
  if (!doc.is_object() || !doc.contains("modules") || !doc["modules"].is_array())
    return pins;
  for (const nlohmann::json &m : doc["modules"]) {
    if (!m.is_object() || !m.contains("id") || !m["id"].is_string() || !m.contains("plugin") ||
        !m["plugin"].is_string())
      continue;
    for (PinInfo p : PluginPins(m["plugin"].get<std::string>(), dir, false)) {
      p.name = m["id"].get<std::string>() + "." + p.name;
      pins.push_back(p);
    }
  }
  return pins;
}

CompletionAnswer PinCandidates(const Line &line, const std::string &kind, const Answer &answer,
                               const std::string &prefix) {
  const std::string dir = DefaultPluginDir(line.pluginDir);
  std::vector<PinInfo> pins;
  if (StartsWith(kind, "ID.") || (line.plugin.empty() && !line.patch.empty()))
    pins = PatchPins(line.patch, dir);
  else if (!line.plugin.empty() || (line.row != nullptr && line.row->plugin != nullptr))
    pins = PluginPins(line.plugin.empty() ? line.row->plugin : line.plugin, dir, kind == "PIN");
  const std::string typed = answer.Typed().substr(prefix.size());
  const size_t eq = typed.find('=');
  std::vector<std::string> words;
  if (kind.find('=') == std::string::npos || eq == std::string::npos) {
    for (const PinInfo &p : pins)
      words.push_back(prefix + p.name + (kind.find('=') == std::string::npos ? "" : "="));
    return answer.Words(words);
  }
  // After "PIN=": the items of a choice pin; after "PIN=A,B," the next one.
  const std::string name = typed.substr(0, eq);
  const size_t comma = kind.find(',') == std::string::npos ? std::string::npos : typed.rfind(',');
  const std::string head =
      prefix + typed.substr(0, comma == std::string::npos || comma < eq ? eq + 1 : comma + 1);
  for (const PinInfo &p : pins)
    if (p.name == name)
      for (const ChoiceItem &item : p.Choices())
        words.push_back(head + item.text);
  return answer.Words(words);
}

CompletionAnswer ValueCandidates(const Line &line, const CLI::Option &opt, const Answer &answer,
                                 const std::string &prefix) {
  const std::string kind = Kind(opt);
  if (kind == "DIR")
    return answer.Mode("dirs");
  if (kind == "PATCH")
    return answer.Mode("files:json");
  if (kind == "PLUGIN") {
    std::vector<std::string> words;
    for (const std::string &name : ListPlugins(DefaultPluginDir(line.pluginDir)))
      words.push_back(prefix + name);
    return answer.Words(words);
  }
  if (kind == "FORMAT") {
    // Comma-separated: the words after the last comma.
    const std::string typed = answer.Typed();
    const size_t comma = typed.rfind(',');
    const std::string head = comma == std::string::npos ? prefix : typed.substr(0, comma + 1);
    std::vector<std::string> words;
    for (const ContainerInfo *c = Containers(); c->name != nullptr; ++c)
      words.push_back(head + c->name);
    for (const SampleFormatInfo *s = SampleFormats(); s->name != nullptr; ++s)
      words.push_back(head + s->name);
    return answer.Words(words);
  }
  if (kind.find("PIN") != std::string::npos)
    return PinCandidates(line, kind, answer, prefix);
  if (line.row != nullptr && line.row->values != nullptr) {
    std::vector<std::string> words;
    for (const std::string &w : line.row->values(kind, answer.Typed().substr(prefix.size())))
      words.push_back(prefix + w);
    if (!words.empty())
      return answer.Words(words);
  }
  if (kind == "TEXT" || kind == "FILE" || kind == "AUDIO")
    return answer.Mode("files");
  return answer.Mode("none"); // a number
}

std::vector<std::string> OptionNames(const CLI::App &app) {
  std::vector<std::string> names;
  for (const CLI::Option *opt : app.get_options()) {
    if (Hidden(*opt) || !opt->nonpositional())
      continue;
    for (const std::string &l : opt->get_lnames())
      names.push_back("--" + l);
    for (const std::string &s : opt->get_snames())
      names.push_back("-" + s);
  }
  return names;
}

} // namespace

CompletionAnswer Complete(const CLI::App &app, const std::vector<std::string> &words,
                          size_t index) {
  Line line;
  line.app = &app;
  const CLI::Option *pending = nullptr;
  size_t positional = 0;
  size_t used = 0; // words taken by the current positional
  for (size_t i = 1; i < index && i < words.size(); ++i) {
    const std::string word = Unquoted(words[i]);
    if (pending != nullptr) {
      line.Take(*pending, word);
      pending = nullptr;
      continue;
    }
    if (word.size() > 1 && word[0] == '-') {
      const size_t eq = StartsWith(word, "--") ? word.find('=') : std::string::npos;
      const CLI::Option *opt = line.Find(word.substr(0, eq));
      if (opt != nullptr && TakesValue(*opt)) {
        if (eq == std::string::npos)
          pending = opt;
        else
          line.Take(*opt, word.substr(eq + 1));
      }
      continue;
    }
    if (line.command == nullptr) {
      for (const CLI::App *sub : VisibleCommands(app))
        if (sub->get_name() == word)
          line.command = sub;
      for (const Command &row : Commands())
        if (word == row.name)
          line.row = &row;
      continue;
    }
    const auto positionals = Positionals(*line.command);
    if (positional < positionals.size()) {
      line.Take(*positionals[positional], word);
      if (++used >= static_cast<size_t>(positionals[positional]->get_items_expected_max())) {
        ++positional;
        used = 0;
      }
    }
  }

  const std::string typed = index < words.size() ? Unquoted(words[index]) : std::string();
  const Answer answer(typed);
  if (pending != nullptr)
    return ValueCandidates(line, *pending, answer, "");
  if (StartsWith(typed, "--") && typed.find('=') != std::string::npos) {
    const size_t eq = typed.find('=');
    const CLI::Option *opt = line.Find(typed.substr(0, eq));
    if (opt == nullptr || !TakesValue(*opt))
      return answer.Mode("none");
    return ValueCandidates(line, *opt, answer, typed.substr(0, eq + 1));
  }
  if (!typed.empty() && typed[0] == '-') {
    std::vector<std::string> names;
    if (line.command != nullptr)
      names = OptionNames(*line.command);
    for (const std::string &n : OptionNames(app))
      if (line.command == nullptr || n != "--version")
        names.push_back(n);
    return answer.Words(names);
  }
  if (line.command == nullptr) {
    std::vector<std::string> names;
    for (const CLI::App *sub : VisibleCommands(app))
      names.push_back(sub->get_name());
    return answer.Words(names);
  }
  const auto positionals = Positionals(*line.command);
  if (positional < positionals.size())
    return ValueCandidates(line, *positionals[positional], answer, "");
  return answer.Mode("none");
}

int PrintCompletion(const CLI::App &app, const std::vector<std::string> &args) {
  if (args.size() < 2)
    return 2;
  size_t index = 0;
  try {
    index = std::stoul(args[0]);
  } catch (const std::exception &) {
    return 2;
  }
  const std::vector<std::string> words(args.begin() + 1, args.end());
  const CompletionAnswer a = Complete(app, words, index);
  std::cout << a.mode << "\n";
  for (const std::string &w : a.words)
    std::cout << w << "\n";
  return 0;
}

} // namespace sehost::cli
