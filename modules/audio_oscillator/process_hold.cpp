// processHold and processSilence: a constant output for one block, then sleep.
#include "oscillator_module.h"

#include <algorithm>

namespace osc {

// Counts the samples written since the routine was installed and asks the
// host for sleep once a block's worth is out. Answers false when nothing more
// is to be written.
bool Module::countDownToSleep(int32_t count) {
  if (holdCountdown < 0) {
    HostRequest(HRQ_SLEEP);
    return false;
  }
  holdCountdown -= count;
  if (holdCountdown <= 0)
    HostRequest(HRQ_SLEEP);
  return true;
}

void Module::processHold(int32_t first, int32_t count) {
  if (count <= 0 || !countDownToSleep(count))
    return;
  // At a block boundary, the last sample of the previous block; never past
  // the block size now in force, which the host may have lowered since open.
  const int32_t last = std::min(blockSize, BlockSize()) - 1;
  const float v = first > 0 ? waveOut[first - 1] : waveOut[std::max(last, 0)];
  std::fill_n(waveOut + first, count, v);
}

void Module::processSilence(int32_t first, int32_t count) {
  if (count <= 0 || !countDownToSleep(count))
    return;
  std::fill_n(waveOut + first, count, 0.0f);
}

} // namespace osc
