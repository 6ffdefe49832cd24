// The longest run a host promises (options:options, bufsz:maxBlockLength),
// read at instantiation.
#ifndef SE_LV2_BLOCK_LENGTH_H
#define SE_LV2_BLOCK_LENGTH_H

#include <lv2/core/lv2.h>

#include <cstdint>

namespace se_lv2 {

// Runs are processed in calls of at most this many samples when the host
// states no options at all (lv2apply and lv2bench state none).
inline constexpr int32_t kDefaultCapacity = 4096;
// A larger promise is held to this; longer runs are split.
inline constexpr int32_t kMaxCapacity = 65536;

// The capacity an instance works with: the host's maxBlockLength (held to
// kMaxCapacity); kDefaultCapacity when the host passes no options feature;
// 0 -- refuse the instance -- when it passes options without a usable
// maxBlockLength (missing, not an integer, or below 1) or without urid:map.
int32_t CapacityFromFeatures(const LV2_Feature *const *features);

} // namespace se_lv2

#endif // SE_LV2_BLOCK_LENGTH_H
