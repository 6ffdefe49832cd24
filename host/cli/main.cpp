// se-host: our host on the command line.
#include "commands.h"
#include "host_error.h"

#include <iostream>

int main(int argc, char **argv) {
  CLI::App app{"se-host: load, describe and run audio module libraries"};
  app.require_subcommand(1);
  // Options are "--name" everywhere: a path that starts with "/" stays a path.
  app.allow_windows_style_options(false);
  app.fallthrough(); // --plugin-dir may also follow the subcommand
  auto globals = std::make_shared<sehost::cli::GlobalOptions>();
  app.add_option("--plugin-dir", globals->plugin_dir,
                 "Folder of the plugin files (default: $SE_PLUGIN_DIR, else plugins/ beside "
                 "se-host)");
  sehost::cli::AddDescribe(app, globals);
  sehost::cli::AddRender(app, globals);
  sehost::cli::AddPlot(app, globals);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError &e) {
    return app.exit(e);
  } catch (const sehost::HostError &e) {
    std::cerr << "se-host: error: " << e.what() << "\n";
    return 1;
  } catch (const std::exception &e) {
    std::cerr << "se-host: error: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
