// The shape of the table store, shared by the build, the directory and every
// reader: one sine table, then ten waveform blocks of 256 tables each. Every
// table is 516 float slots long; points 0 ... 512 hold one cycle (point 512
// closes it) and slots 513 ... 515 are spare and stay 0.0.
#ifndef WAVETABLE_LAYOUT_H
#define WAVETABLE_LAYOUT_H

#include <cstddef>

namespace wavetable {

constexpr int kCyclePoints = 512; // points per cycle; the phase mask is kCyclePoints - 1
constexpr int kTablePoints = kCyclePoints + 1; // points 0 ... 512 are written
constexpr int kTableStride = 516;              // floats from one table to the next
constexpr int kHarmonics = 256;                // tables per block: 1 ... 256 harmonics
constexpr int kWaveBlocks = 10;                // waveform blocks 1 ... 10
constexpr size_t kBlockFloats = static_cast<size_t>(kHarmonics) * kTableStride;
constexpr size_t kStoreFloats = kTableStride + kWaveBlocks * kBlockFloats;

static_assert(kStoreFloats == 1321476, "store size");
static_assert(kTableStride * sizeof(float) % 16 == 0, "every table starts 16-byte aligned");

} // namespace wavetable

#endif // WAVETABLE_LAYOUT_H
