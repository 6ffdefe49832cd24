// "(Version)": the two builds of the ladder, Clear and Furry, compute the same
// formulas and differ only in the precision of the per-sample arithmetic:
//   Clear: every intermediate result is rounded to float32 (the ladder runs in
//          float from the stage-1 input to the feedback);
//   Furry: the whole call runs in double; only what is stored is rounded to
//          float32: the output samples, and the stage states and feedback
//          when the call ends.
// The coefficient update is common to both and stores float32 coefficients.
#ifndef LADDER_FILTER_VERSION_H
#define LADDER_FILTER_VERSION_H

#include "ladder_filter/filter_voice.h"

#include <cstdint>
#include <type_traits>

namespace ladder {

// Version holds the pin's item values ("Clear = 0, Furry = 1").

// Any value other than Clear counts as Furry.
constexpr Version VersionOf(int16_t choice) {
  return choice == static_cast<int16_t>(Version::kClear) ? Version::kClear : Version::kFurry;
}

// The type a version's per-sample arithmetic works in.
template <Version V> using VersionWork = std::conditional_t<V == Version::kClear, float, double>;

} // namespace ladder

#endif
