// Events of the synth tests as an LV2 host sends them: MIDI messages, and
// positions as time:Position objects (float tempo, beats per bar, bar beat and
// speed, long bar), the types hosts commonly use.
#ifndef TESTS_LV2_SYNTH_POSITION_ATOM_H
#define TESTS_LV2_SYNTH_POSITION_ATOM_H

#include "lv2_rig.h"
#include "synth_render.h"

#include <lv2/atom/atom.h>
#include <lv2/time/time.h>

#include <cstring>

namespace lv2test {

inline std::vector<uint8_t> PositionObject(Lv2Rig &rig, const synth::Position &p) {
  std::vector<uint8_t> body(sizeof(LV2_Atom_Object_Body));
  const LV2_Atom_Object_Body head{0, rig.Map(LV2_TIME__Position)};
  std::memcpy(body.data(), &head, sizeof head);
  auto add = [&](const char *key, const char *type, const void *value, uint32_t size) {
    LV2_Atom_Property_Body prop{rig.Map(key), 0, {size, rig.Map(type)}};
    const size_t at = body.size();
    body.resize(at + sizeof prop + ((size + 7u) & ~7u), 0);
    std::memcpy(body.data() + at, &prop, sizeof prop);
    std::memcpy(body.data() + at + sizeof prop, value, size);
  };
  if (p.hasBarBeat)
    add(LV2_TIME__barBeat, LV2_ATOM__Float, &p.barBeat, 4);
  if (p.hasBar)
    add(LV2_TIME__bar, LV2_ATOM__Long, &p.bar, 8);
  if (p.hasBeatsPerBar)
    add(LV2_TIME__beatsPerBar, LV2_ATOM__Float, &p.beatsPerBar, 4);
  if (p.hasTempo)
    add(LV2_TIME__beatsPerMinute, LV2_ATOM__Float, &p.beatsPerMinute, 4);
  if (p.hasSpeed)
    add(LV2_TIME__speed, LV2_ATOM__Float, &p.speed, 4);
  return body;
}

inline std::vector<MidiAt> SynthEvents(Lv2Rig &rig, const std::vector<synthtest::Event> &events) {
  std::vector<MidiAt> out;
  for (const synthtest::Event &e : events) {
    if (e.position)
      out.push_back({e.frame, PositionObject(rig, *e.position), rig.Map(LV2_ATOM__Object)});
    else
      out.push_back({e.frame, e.bytes});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const MidiAt &a, const MidiAt &b) { return a.frame < b.frame; });
  return out;
}

} // namespace lv2test

#endif // TESTS_LV2_SYNTH_POSITION_ATOM_H
