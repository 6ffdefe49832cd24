// The behaviour tests on the LV2 plugin, under the tests' lilv host, in runs
// of 256 frames: MIDI as midi:MidiEvent, positions as time:Position objects.
#include "lv2_rig.h"
#include "player.h"
#include "synth_position_atom.h"

namespace synthtest {
namespace {

class LilvPlayer final : public Player {
public:
  explicit LilvPlayer(double rate) : m_rig("urn:ladder-osc-modules:synth", rate, 4096) {}
  bool Ok() const { return m_rig.Instance() != nullptr; }
  void Set(const char *symbol, float value) override { m_rig.SetControl(symbol, value); }
  Stereo Play(int64_t frames, const std::vector<Event> &events) override {
    std::vector<std::vector<float>> out =
        m_rig.RenderAll(frames, {256}, lv2test::SynthEvents(m_rig, events));
    return {out.at(0), out.at(1)};
  }
  int ActiveVoices() const override { return -1; }

private:
  lv2test::Lv2Rig m_rig;
};

} // namespace

std::unique_ptr<Player> MakePlayer(double rate) {
  auto p = std::make_unique<LilvPlayer>(rate);
  return p->Ok() ? std::move(p) : nullptr;
}

} // namespace synthtest
