// A time:Position object from an LV2 host (tempo, bar, beat, speed) read into
// the synth's Position, every property checked against the event's size
// before a byte of it is read. Real-time safe.
#ifndef LV2_SYNTH_POSITION_ATOM_H
#define LV2_SYNTH_POSITION_ATOM_H

#include "synth/position.h"

#include <lv2/atom/atom.h>
#include <lv2/time/time.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <cstring>

namespace lv2synth {

struct PositionUrids {
  LV2_URID object = 0, blank = 0, position = 0;
  LV2_URID barBeat = 0, bar = 0, beatsPerBar = 0, beatsPerMinute = 0, speed = 0;
  LV2_URID atomFloat = 0, atomDouble = 0, atomInt = 0, atomLong = 0;

  void Map(const LV2_URID_Map &map) {
    auto m = [&](const char *uri) { return map.map(map.handle, uri); };
    object = m(LV2_ATOM__Object);
    blank = m(LV2_ATOM__Blank);
    position = m(LV2_TIME__Position);
    barBeat = m(LV2_TIME__barBeat);
    bar = m(LV2_TIME__bar);
    beatsPerBar = m(LV2_TIME__beatsPerBar);
    beatsPerMinute = m(LV2_TIME__beatsPerMinute);
    speed = m(LV2_TIME__speed);
    atomFloat = m(LV2_ATOM__Float);
    atomDouble = m(LV2_ATOM__Double);
    atomInt = m(LV2_ATOM__Int);
    atomLong = m(LV2_ATOM__Long);
  }
};

namespace position_detail {

// A number atom's value (float, double, int or long), or false.
inline bool Number(const PositionUrids &u, const LV2_Atom &atom, const uint8_t *body,
                   double &value) {
  if (atom.type == u.atomFloat && atom.size == 4) {
    float f;
    std::memcpy(&f, body, 4);
    value = f;
  } else if (atom.type == u.atomDouble && atom.size == 8) {
    std::memcpy(&value, body, 8);
  } else if (atom.type == u.atomInt && atom.size == 4) {
    int32_t i;
    std::memcpy(&i, body, 4);
    value = i;
  } else if (atom.type == u.atomLong && atom.size == 8) {
    int64_t i;
    std::memcpy(&i, body, 8);
    value = static_cast<double>(i);
  } else {
    return false;
  }
  return value == value; // not NaN
}

inline float ToFloat(double v) {
  return static_cast<float>(v < -3.0e38 ? -3.0e38 : (v > 3.0e38 ? 3.0e38 : v));
}

} // namespace position_detail

// Answers true and fills `p` when the event body (`size` bytes of type
// `type`) is a time:Position object; properties it cannot read are left out.
inline bool ReadPosition(const PositionUrids &u, uint32_t type, const uint8_t *body, uint32_t size,
                         synth::Position &p) {
  if ((type != u.object && type != u.blank) || type == 0 || size < sizeof(LV2_Atom_Object_Body))
    return false;
  LV2_Atom_Object_Body head;
  std::memcpy(&head, body, sizeof head);
  if (head.otype != u.position)
    return false;
  p = synth::Position();
  uint64_t at = sizeof head;
  constexpr uint64_t kProperty = sizeof(LV2_Atom_Property_Body); // key, context, value atom
  while (at + kProperty <= size) {
    LV2_Atom_Property_Body prop;
    std::memcpy(&prop, body + at, kProperty);
    const uint64_t valueAt = at + kProperty;
    if (prop.value.size > size - valueAt)
      break; // runs past the object
    double v = 0.0;
    if (position_detail::Number(u, prop.value, body + valueAt, v)) {
      if (prop.key == u.barBeat) {
        p.hasBarBeat = true;
        p.barBeat = position_detail::ToFloat(v);
      } else if (prop.key == u.bar && v > -9.0e15 && v < 9.0e15) {
        p.hasBar = true;
        p.bar = static_cast<int64_t>(v);
      } else if (prop.key == u.beatsPerBar) {
        p.hasBeatsPerBar = true;
        p.beatsPerBar = position_detail::ToFloat(v);
      } else if (prop.key == u.beatsPerMinute) {
        p.hasTempo = true;
        p.beatsPerMinute = position_detail::ToFloat(v);
      } else if (prop.key == u.speed) {
        p.hasSpeed = true;
        p.speed = position_detail::ToFloat(v);
      }
    }
    at = valueAt + ((uint64_t{prop.value.size} + 7u) & ~uint64_t{7});
  }
  return true;
}

} // namespace lv2synth

#endif // LV2_SYNTH_POSITION_ATOM_H
