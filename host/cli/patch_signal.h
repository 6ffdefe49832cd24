// The channels of one or more patches of the same rate, block size and length,
// side by side: a patch's own outputs, or one patch per channel of a file.
#ifndef SEHOST_CLI_PATCH_SIGNAL_H
#define SEHOST_CLI_PATCH_SIGNAL_H

#include "patch.h"
#include "write_signal.h"

#include <memory>
#include <vector>

namespace sehost::cli {

class PatchSignal : public RenderedSignal {
public:
  explicit PatchSignal(std::vector<std::unique_ptr<Patch>> patches);

  int Channels() const override { return m_channels; }
  double SampleRate() const override { return m_patches.front()->SampleRate(); }
  int64_t Frames() const override { return m_patches.front()->Frames(); }
  int64_t FramesRendered() const override { return m_patches.front()->FramesRendered(); }
  const std::vector<float> &RenderBlock() override;
  void SetInterruptCheck(bool (*check)()) override;

private:
  std::vector<std::unique_ptr<Patch>> m_patches;
  int m_channels = 0;
  std::vector<float> m_block;
};

} // namespace sehost::cli

#endif
