// Pitch as musicians write it: volts at 1 V per octave (0 V = 13.75 Hz,
// 5 V = A4 = 440 Hz, C4 = middle C = 4.25 V), frequencies in Hz, and note
// names ("C3", "A#4", "Bb2"; octave numbers as in "A4 = 440 Hz").
#ifndef SEHOST_PITCH_UNITS_H
#define SEHOST_PITCH_UNITS_H

#include "pin_info.h"

#include <string>

namespace sehost {

// How a module reads its pitch pins. Modules with a "Pitch Mode" choice can
// also read them linearly: 1 V = 1 kHz or 1 V = 1 Hz.
enum class PitchScale { kOctave, kKilohertz, kHertz };

inline constexpr double kZeroVoltHz = 13.75;
// The lowest and highest octave a note name may carry.
inline constexpr int kLowestOctave = -1;
inline constexpr int kHighestOctave = 10;

double VoltsFromHz(double hz, PitchScale scale = PitchScale::kOctave);
double HzFromVolts(double volts, PitchScale scale = PitchScale::kOctave);

// True for a text that is written as a note ("A4", "Bb2", "c#-1"): a letter
// A to G, then an optional # or b, then anything that starts with a digit or "-".
bool LooksLikeNote(const std::string &text);
// The frequency of a note name; throws HostError saying what is wrong
// ("H4", "C99", "A").
double NoteHz(const std::string &text);
// The nearest note of a frequency: "A4", or "C#5 +12 cents" off the note.
std::string NoteName(double hz);

// Audio inputs that carry an absolute pitch: named "Pitch" or "Pitch ..."
// (not an "offset", which is an interval). They take frequencies and notes.
bool IsPitchPin(const PinInfo &pin);
// Audio inputs whose value in volts is a frequency in Hz ("Freq Limit (Hz)").
bool IsHertzPin(const PinInfo &pin);
// The scale a "Pitch Mode" item text selects ("Oct", "Khz", "Hz"); Octave for
// any other text.
PitchScale PitchScaleOfItem(const std::string &item);
// The pin that selects the scale of a module's pitch pins.
inline constexpr const char *kPitchModePin = "Pitch Mode";

} // namespace sehost

#endif
