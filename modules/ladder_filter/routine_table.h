// The entries of the generated combination routines.
#ifndef LADDER_FILTER_ROUTINE_TABLE_H
#define LADDER_FILTER_ROUTINE_TABLE_H

#include "se_abi.h"

namespace ladder {

// Routine 0 .. 37 of the Clear (furry false) or Furry family.
SEProcessEntry CombinationRoutine(int routine, bool furry);

} // namespace ladder

#endif
