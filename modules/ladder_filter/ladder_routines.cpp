// Instantiates the combination routines: one per row of the combination
// table and version.
#include "ladder_filter_module.h"
#include "ladder_routine.h"
#include "routine_table.h"

#include <array>
#include <utility>

namespace ladder {

template <int E, Version V> void Module::processCombination(int32_t first, int32_t count) {
  RunCombination<E, V>(m_voice, Buffers(first), count);
}

namespace {

template <Version V, int... E>
constexpr std::array<SEProcessEntry, kRoutineCount> MakeRoutines(std::integer_sequence<int, E...>) {
  return {se::Process<&Module::processCombination<E, V>>...};
}

template <Version V>
inline constexpr auto kRoutines = MakeRoutines<V>(std::make_integer_sequence<int, kRoutineCount>{});

} // namespace

SEProcessEntry CombinationRoutine(int routine, Version version) {
  return version == Version::kClear ? kRoutines<Version::kClear>[routine]
                                    : kRoutines<Version::kFurry>[routine];
}

} // namespace ladder
