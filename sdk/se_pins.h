// A module's pin list as a table of constants, and the DescribePin that fills
// the host's record from it.
#ifndef SE_PINS_H
#define SE_PINS_H

#include "se_abi.h"

#include <cstddef>

namespace se {

struct PinSpec {
  const char *name;
  int32_t direction;
  int32_t datatype;
  const char *defaultValue; // null: not written
  const char *datatypeText; // null: not written
  uint32_t flags = 0;       // 0: not written
};

// Fills the fields a pin needs and leaves the others as the caller gave them.
// `variables` holds one address per pin (null for none), in pin order; give
// it as an array of unstated size (`void *const variables[] = {...}`), so that
// a list one address short, after a pin was added, does not compile (a
// sized array would fill the gap with null and shift every later address).
// Answers false for an index outside the list.
template <size_t N, size_t M>
bool DescribePinFrom(const PinSpec (&pins)[N], void *const (&variables)[M], int32_t index,
                     SEPinProperties *p) {
  static_assert(M == N, "one variable address (or nullptr) per pin of the pin list");
  if (index < 0 || static_cast<size_t>(index) >= N || p == nullptr)
    return false;
  const PinSpec &s = pins[index];
  p->variable = variables[index];
  p->direction = s.direction;
  p->datatype = s.datatype;
  p->name = s.name;
  if (s.defaultValue != nullptr)
    p->default_value = s.defaultValue;
  if (s.datatypeText != nullptr)
    p->datatype_text = s.datatypeText;
  if (s.flags != 0)
    p->flags = s.flags;
  return true;
}

} // namespace se

#endif // SE_PINS_H
