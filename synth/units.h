// The units of the controls turned into what the engine computes with, on the
// project's own arithmetic (every build gives the same bits).
#ifndef SYNTH_UNITS_H
#define SYNTH_UNITS_H

#include "portable_exp2.h"
#include "portable_log2.h"

namespace synth {

// 0 V is 13.75 Hz (MIDI note 9), 1 V per octave; a module reads volts / 10.
inline constexpr double kZeroVoltNote = 9.0;

inline double NoteToVolts(double note) { return (note - kZeroVoltNote) / 12.0; }
inline double HzToVolts(double hz) { return se_math::Log2(hz / 13.75); }
inline float VoltsToSample(double volts) { return static_cast<float>(volts / 10.0); }
inline double CentsToVolts(double cents) { return cents / 1200.0; }

inline double DbToGain(double db) {
  constexpr double kLog2Of10Over20 = 0.16609640474436813; // log2(10) / 20
  return se_math::Exp2(db * kLog2Of10Over20);
}

} // namespace synth

#endif // SYNTH_UNITS_H
