// What each pin of our modules does, in one line, for `se-host describe`:
// the one place where the tool explains a pin beyond what its pin list says.
#ifndef SEHOST_CLI_PIN_NOTES_H
#define SEHOST_CLI_PIN_NOTES_H

#include <string>

namespace sehost::cli {

struct PinNote {
  const char *moduleId; // the module's own id, as `describe` shows it
  const char *pin;
  const char *range; // the range in words where the pin list gives none, or nullptr
  const char *what;  // what the pin (or each choice of it) does
};

// The note of a pin, or nullptr for a pin (or module) without one.
const PinNote *FindPinNote(const std::string &module_id, const std::string &pin);

} // namespace sehost::cli

#endif
