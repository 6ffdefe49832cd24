// The pin table of a module's manual (docs/modules/<plugin>.md), written from
// the module's pin list and pin metadata by `se-host describe --markdown`; a
// test compares each manual's table with it.
#ifndef SEHOST_CLI_PIN_TABLE_H
#define SEHOST_CLI_PIN_TABLE_H

#include "plugin_library.h"

#include <ostream>

namespace sehost::cli {

// The table between its two marker lines, then the notes on its ranges.
void WritePinTable(const PluginLibrary &lib, std::ostream &out);

} // namespace sehost::cli

#endif
