// The shape of one table and of the directory, as the generator writes them
// and the oscillator reads them. A table is kTableStride float slots: points
// 0 ... kCyclePoints hold one cycle (the last point closes it, equal to point
// 0, so a read of point i and i+1 never wraps) and the remaining slots stay
// 0.0. A waveform block holds one table per harmonic count, 1 ...
// kMaxHarmonics, kTableStride floats apart.
//
// Namespace-scope constexpr constants have internal linkage: every library
// that includes this keeps its own copies and exports nothing of them.
#ifndef WAVETABLE_CONTRACT_TABLE_LAYOUT_H
#define WAVETABLE_CONTRACT_TABLE_LAYOUT_H

#include <cstddef>

namespace wavetable {

constexpr int kCyclePoints = 512; // points per cycle; the phase mask is kCyclePoints - 1
constexpr int kStoredPoints = kCyclePoints + 1; // points written: the cycle and its closing point
constexpr int kTableStride = 516;               // floats from one table to the next
constexpr int kMaxHarmonics = 256;              // tables per waveform block
constexpr size_t kBlockFloats = static_cast<size_t>(kMaxHarmonics) * kTableStride;
constexpr int kDirectoryEntries = 256; // one entry per 16-bit Waveform value below 256

static_assert((kCyclePoints & (kCyclePoints - 1)) == 0, "the phase is masked to the cycle");
static_assert(kTableStride >= kStoredPoints, "the closing point fits in the table");
static_assert(kTableStride * sizeof(float) % 16 == 0, "every table starts 16-byte aligned");

} // namespace wavetable

#endif // WAVETABLE_CONTRACT_TABLE_LAYOUT_H
