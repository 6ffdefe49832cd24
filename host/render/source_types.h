// The source types a patch may name under "sources" ("type": "lfo"): one
// table, the only list of them. A row gives the type's name, the keys its
// entry may hold besides "to" and "type", and the reader that makes it. The
// loader, its messages and the check of docs/patch-format.md read this table.
#ifndef SEHOST_SOURCE_TYPES_H
#define SEHOST_SOURCE_TYPES_H

#include "source.h"
#include "source_entry.h"

#include <memory>
#include <span>
#include <string>

namespace sehost {

// What an entry makes: a signal the host plays into the input, or (no
// signal) a fixed value in volts that the input is set to, as a value under
// "pins" is, so that --set and timed changes may move it.
struct MadeSource {
  std::unique_ptr<Source> signal;
  double volts = 0.0;
};

struct SourceType {
  const char *name; // "lfo"
  const char *keys; // its own keys, space-separated: "shape rate center depth phase"
  // Makes the source; nullptr for a marker that a command replaces before the
  // patch is loaded, which the loader refuses saying `note`.
  MadeSource (*make)(SourceEntry &entry);
  const char *note = nullptr;
};

// The marker by which a patch shows where `se-host process` plays its file in;
// the command says what it plays (PatchOptions::input).
inline constexpr const char *kInputSourceType = "input";

std::span<const SourceType> SourceTypes();
// A row by name; nullptr for an unknown type.
const SourceType *FindSourceType(const std::string &name);
// The names of the types a patch can render, for messages: "constant, ramp,
// lfo or file".
std::string SourceTypeNames();

} // namespace sehost

#endif
