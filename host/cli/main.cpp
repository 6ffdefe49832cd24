// se-host: our host on the command line.
#include "about.h"
#include "commands.h"
#include "completion.h"
#include "host_error.h"
#include "man_page.h"
#include "message_text.h"

#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace {

// The exit statuses, listed in --help (from these constants) and in the README.
constexpr int kExitFailure = 1; // a bad patch, file or plugin; a failed or interrupted command
constexpr int kExitUsage = 2;   // a mistake on the command line

int Fail(const std::string &what, int status) {
  // One line whatever the message holds.
  std::cerr << "se-host: error: " << sehost::EscapedText(what, std::string::npos) << "\n";
  return status;
}

// The first word that is neither an option nor the value of --plugin-dir:
// the command the user meant.
std::string CommandWord(int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--plugin-dir")
      ++i;
    else if (arg.empty() || arg[0] != '-')
      return arg;
  }
  return {};
}

// Before any command: the first option that se-host itself does not have
// ("" if none).
std::string UnknownOption(const CLI::App &app, int argc, char **argv) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    arg = arg.substr(0, arg.find('='));
    if (arg == "--plugin-dir")
      ++i;
    else if (arg.size() > 1 && arg[0] == '-' && app.get_option_no_throw(arg) == nullptr)
      return arg;
  }
  return {};
}

} // namespace

int main(int argc, char **argv) {
  CLI::App app{"se-host: load, describe and run audio module libraries", "se-host"};
  app.require_subcommand(1);
  // Options are "--name" everywhere: a path that starts with "/" stays a path.
  app.allow_windows_style_options(false);
  app.fallthrough(); // --plugin-dir may also follow the subcommand
  app.set_version_flag("--version", std::string("se-host ") + SE_HOST_VERSION + "\n" +
                                        sehost::cli::kCopyright + "\n" + sehost::cli::kLicence);
  app.footer("Exit status: 0 when all went well, " + std::to_string(kExitFailure) +
             " when a command failed (a bad patch, file or\nplugin, or an interrupted render or "
             "process), " +
             std::to_string(kExitUsage) +
             " for a mistake on the command line.\n"
             "Every failure is one line on standard error: \"se-host: error: ...\".");
  auto globals = std::make_shared<sehost::cli::GlobalOptions>();
  app.add_option("--plugin-dir", globals->pluginDir,
                 "Folder of the plugin files (default: $SE_PLUGIN_DIR, else plugins/ beside "
                 "se-host, else the folder it is installed with)")
      ->type_name("DIR");
  std::string names;
  for (const sehost::cli::Command &command : sehost::cli::Commands()) {
    command.add(app, globals);
    names += std::string(names.empty() ? "" : ", ") + command.name;
  }
  // Hidden: the manual page and shell completion, both read from the
  // command line just built.
  if (argc == 2 && argv[1] == std::string(sehost::cli::kManOption)) {
    std::cout << sehost::cli::ManPage(app, SE_HOST_VERSION);
    return 0;
  }
  if (argc >= 2 && argv[1] == std::string(sehost::cli::kCompleteCommand))
    return sehost::cli::PrintCompletion(app, std::vector<std::string>(argv + 2, argv + argc));
  if (argc <= 1) {
    std::cout << app.help();
    return 0;
  }
  if (const std::string word = CommandWord(argc, argv); !word.empty()) {
    try {
      app.get_subcommand(word);
    } catch (const CLI::OptionNotFound &) {
      return Fail("unknown command " + sehost::Quoted(word) + " (commands: " + names + ")",
                  kExitUsage);
    }
  } else if (const std::string option = UnknownOption(app, argc, argv); !option.empty()) {
    // Without a command, the parser would only say that one is required.
    return Fail("unknown option " + sehost::Quoted(option) + " (see se-host --help)", kExitUsage);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success &e) {
    return app.exit(e); // --help, --version
  } catch (const CLI::ParseError &e) {
    std::string what = e.what();
    for (char &c : what)
      if (c == '\n')
        c = ' ';
    return Fail(what + " (see se-host --help)", kExitUsage);
  } catch (const sehost::UsageError &e) {
    return Fail(e.what(), kExitUsage);
  } catch (const sehost::HostError &e) {
    return Fail(e.what(), kExitFailure);
  } catch (const std::bad_alloc &) {
    return Fail("out of memory", kExitFailure);
  } catch (const std::exception &e) {
    return Fail(e.what(), kExitFailure);
  }
  return 0;
}
