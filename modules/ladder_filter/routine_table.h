// The entries of the generated combination routines.
#ifndef LADDER_FILTER_ROUTINE_TABLE_H
#define LADDER_FILTER_ROUTINE_TABLE_H

#include "se_abi.h"
#include "version.h"

namespace ladder {

// Routine 0 .. kRoutineCount - 1 (one per combination row) of a version.
SEProcessEntry CombinationRoutine(int routine, Version version);

} // namespace ladder

#endif
