// The behaviour tests on the engine itself, in one run per Play.
#include "player.h"

#include "synth/controls.h"

namespace synthtest {
namespace {

class EnginePlayer final : public Player {
public:
  explicit EnginePlayer(double rate) { m_ok = m_engine.Activate(rate); }
  bool Ok() const { return m_ok; }
  void Set(const char *symbol, float value) override {
    m_engine.SetControl(static_cast<synth::Control>(synth::FindControl(symbol)), value);
  }
  Stereo Play(int64_t frames, const std::vector<Event> &events) override {
    return Render(m_engine, frames, events);
  }
  int ActiveVoices() const override { return m_engine.ActiveVoices(); }

private:
  synth::Engine m_engine;
  bool m_ok = false;
};

} // namespace

std::unique_ptr<Player> MakePlayer(double rate) {
  auto p = std::make_unique<EnginePlayer>(rate);
  return p->Ok() ? std::move(p) : nullptr;
}

} // namespace synthtest
