// Where the host's transport is, as an LV2 host tells it (time:Position) and
// as `se-host synth` tells it from a MIDI file's tempo map. Each field is
// optional; the engine keeps the last value it was given of each.
#ifndef SYNTH_POSITION_H
#define SYNTH_POSITION_H

#include <cstdint>

namespace synth {

struct Position {
  bool hasTempo = false;
  float beatsPerMinute = 120.0f;
  bool hasBeatsPerBar = false;
  float beatsPerBar = 4.0f;
  bool hasBar = false;
  int64_t bar = 0; // counted from 0
  bool hasBarBeat = false;
  float barBeat = 0.0f; // beats since the bar's start
  bool hasSpeed = false;
  float speed = 0.0f; // 1 while the transport rolls, 0 while it stands
};

} // namespace synth

#endif // SYNTH_POSITION_H
