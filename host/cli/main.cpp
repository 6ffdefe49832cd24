// se-host: our host on the command line.
#include "commands.h"
#include "host_error.h"

#include <iostream>

int main(int argc, char **argv) {
  CLI::App app{"se-host: load, describe and run audio module libraries"};
  app.require_subcommand(1);
  sehost::cli::AddDescribe(app);
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
