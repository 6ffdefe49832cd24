// The coefficient update grid of a call: an update may fall on the call's
// last sample and on every 12th sample before it, so the grid is counted from
// the call's end.
#ifndef LADDER_FILTER_UPDATE_GRID_H
#define LADDER_FILTER_UPDATE_GRID_H

#include <cstdint>

namespace ladder {

inline constexpr int32_t kUpdateInterval = 12;

// The first grid sample at or after `from` in a call of `count` samples.
constexpr int32_t UpdateGridStart(int32_t count, int32_t from) {
  const int32_t grid = (count - 1) % kUpdateInterval;
  return grid < from ? grid + kUpdateInterval : grid;
}

// Runs sample(i) for i = from .. count - 1, with onGrid(i) before each grid
// sample. Forced inline, with its callers' lambdas, into the routine's loop.
template <class Sample, class OnGrid>
[[gnu::always_inline]] inline void RunOnUpdateGrid(int32_t from, int32_t count,
                                                   const Sample &sample, const OnGrid &onGrid) {
  int32_t i = from;
  for (int32_t grid = UpdateGridStart(count, i);; grid += kUpdateInterval) {
    for (const int32_t stop = grid < count ? grid : count; i < stop; ++i)
      sample(i);
    if (i >= count)
      return;
    onGrid(i);
    sample(i);
    ++i;
  }
}

} // namespace ladder

#endif
