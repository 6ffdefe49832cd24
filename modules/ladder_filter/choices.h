// Item values of the choice pins that pick the ladder's combination, and the
// combination index they make.
#ifndef LADDER_FILTER_CHOICES_H
#define LADDER_FILTER_CHOICES_H

#include <cstdint>

namespace ladder {

// "Filter Tap" ("2 = 0, 3 = 1, 4 =2, 5 = 3, X = 4") and "Q Tap" (2 to 5 only):
// the stage after which the output or the feedback is taken.
enum class Tap : int16_t { kTap2 = 0, kTap3, kTap4, kTap5, kTapX };

// "Emulate" ("Analog = 0, Digital = 1").
enum class Emulate : int16_t { kAnalog = 0, kDigital = 1 };

// "Type" ("LP=0, HP=1"); any value other than LP counts as HP.
enum class FilterType : int16_t { kLowPass = 0, kHighPass = 1 };

inline constexpr int kFilterTapCount = 5;
inline constexpr int kQTapCount = 4;
inline constexpr int kEmulateCount = 2;

// Combination index e; every valid choice gives one of 0 .. kCombinationCount - 1.
constexpr int CombinationIndex(int filterTap, int qTap, int emulate) {
  return emulate + kEmulateCount * qTap + kEmulateCount * kQTapCount * filterTap;
}
constexpr int CombinationIndex(Tap filterTap, Tap qTap, Emulate emulate) {
  return CombinationIndex(static_cast<int>(filterTap), static_cast<int>(qTap),
                          static_cast<int>(emulate));
}
inline constexpr int kCombinationCount = kFilterTapCount * kQTapCount * kEmulateCount;

} // namespace ladder

#endif
