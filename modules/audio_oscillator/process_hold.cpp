// processHold and processSilence: a constant output, then sleep.
#include "oscillator_module.h"

#include <algorithm>
#include <cmath>

namespace osc {

void Module::WriteSettled(int32_t first, int32_t count, float value) {
  std::fill_n(m_waveOut + first, count, value);
  m_settled.Wrote(first, count);
  if (m_settled.Fills(LargestBlockSize()))
    HostRequest(HRQ_SLEEP);
}

void Module::processHold(int32_t first, int32_t count) {
  if (count <= 0)
    return;
  if (!m_heldValueTaken) {
    // The sample before the first held one: at a block boundary the last
    // sample of the previous block, never past the block size now in force,
    // which the host may have lowered since open. A non-finite sample is held
    // as silence, so that it does not outlast the input that caused it.
    const int32_t last = std::min(m_blockSize, BlockSize()) - 1;
    const float v = first > 0 ? m_waveOut[first - 1] : m_waveOut[std::max(last, 0)];
    m_heldValue = std::isfinite(v) ? v : 0.0f;
    m_heldValueTaken = true;
  }
  WriteSettled(first, count, m_heldValue);
}

void Module::processSilence(int32_t first, int32_t count) {
  if (count > 0)
    WriteSettled(first, count, 0.0f);
}

} // namespace osc
