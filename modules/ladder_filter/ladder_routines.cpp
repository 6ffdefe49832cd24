// Instantiates the 38 combination routines of both voicings.
#include "ladder_routine.h"
#include "routine_table.h"

#include <array>
#include <utility>

namespace ladder {

namespace {

template <class V, int... E>
constexpr std::array<SEProcessEntry, kRoutineCount> MakeTable(std::integer_sequence<int, E...>) {
  return {se::Process<&Module::processCombination<E, V>>...};
}

constexpr auto kClearRoutines =
    MakeTable<ClearVoicing>(std::make_integer_sequence<int, kRoutineCount>{});
constexpr auto kFurryRoutines =
    MakeTable<FurryVoicing>(std::make_integer_sequence<int, kRoutineCount>{});

} // namespace

SEProcessEntry CombinationRoutine(int routine, bool furry) {
  return furry ? kFurryRoutines[routine] : kClearRoutines[routine];
}

} // namespace ladder
