#include "pitch_units.h"

#include "host_error.h"

#include <cctype>
#include <cmath>
#include <cstdio>

namespace sehost {
namespace {

// Semitones above C of each letter, A to G.
constexpr int kLetterSemitone[] = {9, 11, 0, 2, 4, 5, 7};
constexpr const char *kSemitoneName[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                         "F#", "G",  "G#", "A",  "A#", "B"};
// A4 is semitone 57 counted from C0, and 440 Hz.
constexpr int kA4 = 57;
constexpr double kA4Hz = 440.0;

int LetterIndex(char c) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper >= 'A' && upper <= 'G' ? upper - 'A' : -1;
}

bool StartsWith(const std::string &s, const std::string &prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

double VoltsFromHz(double hz, PitchScale scale) {
  switch (scale) {
  case PitchScale::kKilohertz: return hz / 1000.0;
  case PitchScale::kHertz: return hz;
  case PitchScale::kOctave: break;
  }
  return std::log2(hz / kZeroVoltHz);
}

double HzFromVolts(double volts, PitchScale scale) {
  switch (scale) {
  case PitchScale::kKilohertz: return volts * 1000.0;
  case PitchScale::kHertz: return volts;
  case PitchScale::kOctave: break;
  }
  return kZeroVoltHz * std::exp2(volts);
}

bool LooksLikeNote(const std::string &text) {
  if (text.empty() || LetterIndex(text[0]) < 0)
    return false;
  size_t i = 1;
  if (i < text.size() && (text[i] == '#' || text[i] == 'b'))
    ++i;
  return i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '-');
}

double NoteHz(const std::string &text) {
  const std::string what = "\"" + text + "\" is not a note name (a letter A to G, # or b, then " +
                           "the octave: \"A4\", \"C#3\", \"Bb2\")";
  if (!LooksLikeNote(text))
    throw HostError(what);
  int semitone = kLetterSemitone[LetterIndex(text[0])];
  size_t i = 1;
  if (text[i] == '#' || text[i] == 'b')
    semitone += text[i++] == '#' ? 1 : -1;
  const bool negative = text[i] == '-';
  if (negative)
    ++i;
  if (i == text.size() || text.size() - i > 3)
    throw HostError(what);
  int octave = 0;
  for (; i < text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i])))
      throw HostError(what);
    octave = octave * 10 + (text[i] - '0');
  }
  if (negative)
    octave = -octave;
  if (octave < kLowestOctave || octave > kHighestOctave)
    throw HostError("the note \"" + text + "\" is out of range (octaves " +
                    std::to_string(kLowestOctave) + " to " + std::to_string(kHighestOctave) +
                    ", A4 = 440 Hz)");
  return kA4Hz * std::exp2((12 * octave + semitone - kA4) / 12.0);
}

std::string NoteName(double hz) {
  if (!(hz > 0.0) || !std::isfinite(hz))
    return "no note";
  const double semitones = 12.0 * std::log2(hz / kA4Hz) + kA4;
  const double nearest = std::round(semitones);
  const int n = static_cast<int>(nearest);
  const int octave = n >= 0 ? n / 12 : -((11 - n) / 12);
  std::string name = kSemitoneName[n - 12 * octave] + std::to_string(octave);
  const double cents = 100.0 * (semitones - nearest);
  if (std::abs(cents) >= 0.5) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " %+.0f cents", cents);
    name += buf;
  }
  return name;
}

bool IsPitchPin(const PinInfo &pin) {
  return pin.IsInput() && pin.IsAudio() &&
         (pin.name == "Pitch" || StartsWith(pin.name, "Pitch ")) &&
         pin.name.find("offset") == std::string::npos;
}

bool IsHertzPin(const PinInfo &pin) {
  static const std::string kSuffix = "(Hz)";
  return pin.IsInput() && pin.IsAudio() && pin.name.size() > kSuffix.size() &&
         pin.name.compare(pin.name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

PitchScale PitchScaleOfItem(const std::string &item) {
  if (item == "Khz")
    return PitchScale::kKilohertz;
  if (item == "Hz")
    return PitchScale::kHertz;
  return PitchScale::kOctave;
}

} // namespace sehost
