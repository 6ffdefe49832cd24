// processHold and processSilence: a constant output, then sleep.
#include "oscillator_module.h"

#include <algorithm>
#include <cmath>

namespace osc {

void Module::writeSettled(int32_t first, int32_t count, float value) {
  std::fill_n(waveOut + first, count, value);
  settled.Wrote(first, count);
  if (settled.Fills(LargestBlockSize()))
    HostRequest(HRQ_SLEEP);
}

void Module::processHold(int32_t first, int32_t count) {
  if (count <= 0)
    return;
  if (!heldValueTaken) {
    // The sample before the first held one: at a block boundary the last
    // sample of the previous block, never past the block size now in force,
    // which the host may have lowered since open. A non-finite sample is held
    // as silence, so that it does not outlast the input that caused it.
    const int32_t last = std::min(blockSize, BlockSize()) - 1;
    const float v = first > 0 ? waveOut[first - 1] : waveOut[std::max(last, 0)];
    heldValue = std::isfinite(v) ? v : 0.0f;
    heldValueTaken = true;
  }
  writeSettled(first, count, heldValue);
}

void Module::processSilence(int32_t first, int32_t count) {
  if (count > 0)
    writeSettled(first, count, 0.0f);
}

} // namespace osc
