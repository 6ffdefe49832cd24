// The longest run a host promises (options:options, bufsz:maxBlockLength),
// read at instantiation. The option is supported, never required: runs longer
// than the capacity are split inside the plugin, so a host that states no
// usable length only costs the plugin a few more calls.
#ifndef SE_LV2_BLOCK_LENGTH_H
#define SE_LV2_BLOCK_LENGTH_H

#include <lv2/core/lv2.h>

#include <cstdint>

namespace se_lv2 {

// Runs are processed in calls of at most this many samples when the host
// states no usable maximum (lv2apply and lv2bench state none).
inline constexpr int32_t kDefaultCapacity = 4096;
// A larger promise is held to this; longer runs are split.
inline constexpr int32_t kMaxCapacity = 65536;

// The capacity an instance works with: the host's maxBlockLength held to
// [1, kMaxCapacity]; kDefaultCapacity when the host passes no options, no
// urid:map to read them with, no maxBlockLength among them, or one that is
// not a positive Int or Long. Never 0: no host is refused for its options.
int32_t CapacityFromFeatures(const LV2_Feature *const *features);

} // namespace se_lv2

#endif // SE_LV2_BLOCK_LENGTH_H
