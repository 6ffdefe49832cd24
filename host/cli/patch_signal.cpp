#include "patch_signal.h"

namespace sehost::cli {

PatchSignal::PatchSignal(std::vector<std::unique_ptr<Patch>> patches)
    : m_patches(std::move(patches)) {
  for (const auto &patch : m_patches)
    m_channels += patch->Channels();
}

const std::vector<float> &PatchSignal::RenderBlock() {
  if (m_patches.size() == 1)
    return m_patches.front()->RenderBlock();
  // Every patch renders the same number of frames: their channels are
  // interleaved one after the other.
  int first = 0;
  for (const auto &patch : m_patches) {
    const std::vector<float> &block = patch->RenderBlock();
    const int channels = patch->Channels();
    const size_t frames = block.size() / static_cast<size_t>(channels);
    m_block.resize(frames * static_cast<size_t>(m_channels));
    for (size_t i = 0; i < frames; ++i)
      for (int c = 0; c < channels; ++c)
        m_block[i * static_cast<size_t>(m_channels) + static_cast<size_t>(first + c)] =
            block[i * static_cast<size_t>(channels) + static_cast<size_t>(c)];
    first += channels;
  }
  return m_block;
}

void PatchSignal::SetInterruptCheck(bool (*check)()) {
  for (const auto &patch : m_patches)
    patch->GetHost().SetInterruptCheck(check);
}

} // namespace sehost::cli
