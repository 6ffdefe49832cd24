// The synth's one LFO, shared by every voice. It is read once per stretch
// (at the stretch's first frame) and runs either at a rate in Hz or at a note
// value of the host's tempo; a position from a rolling transport puts its
// phase where the transport's beat says it is.
//
// Shapes over a cycle (phase 0 to 1), all starting at 0 and rising, except
// the square (+1 for the first half) and sample & hold (a new value in
// [-1, 1) from a fixed random sequence at the start of every cycle).
#ifndef SYNTH_LFO_H
#define SYNTH_LFO_H

#include "synth/controls.h"
#include "synth/position.h"

#include <cstdint>

namespace synth {

class Lfo {
public:
  void Reset();
  void SetRate(double hz, double sampleRate); // free-running rate
  void SetShape(LfoShape shape) { m_shape = shape; }
  void SetSync(double beatsPerCycle); // 0: free
  void SetPosition(const Position &p);

  // The value at the current frame, -1 ... 1.
  double Value() const;
  void Advance(int32_t frames);
  double Phase() const { return m_phase; }

private:
  double Increment() const;
  void NewHold();

  LfoShape m_shape = LfoShape::kSine;
  double m_phase = 0.0;
  double m_hz = 5.0;
  double m_rate = 48000.0;
  double m_beats = 0.0;   // per cycle when synced, else 0
  double m_tempo = 120.0; // the host's beats per minute
  double m_speed = 1.0;   // the transport's speed while it rolls
  double m_beatsPerBar = 4.0;
  uint32_t m_random = 0x9E3779B9u;
  double m_hold = 0.0;
};

} // namespace synth

#endif // SYNTH_LFO_H
