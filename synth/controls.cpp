#include "synth/controls.h"

#include "audio_oscillator/pins.h"
#include "ladder_filter/pins.h"

#include <cmath>

namespace synth {

namespace {

constexpr std::span<const se::ChoiceMeta> OscChoices(osc::Pin pin) {
  return osc::kPinMeta[pin].choices;
}
constexpr std::span<const se::ChoiceMeta> LadderChoices(ladder::Pin pin) {
  return ladder::kPinMeta[pin].choices;
}
// A control that sets a module pin as it is: the range the pin's metadata gives.
constexpr float LadderMin(ladder::Pin pin) {
  return static_cast<float>(ladder::kPinMeta[pin].range.min);
}
constexpr float LadderMax(ladder::Pin pin) {
  return static_cast<float>(ladder::kPinMeta[pin].range.max);
}

constexpr const char kLfoShapes[] = "Sine,Triangle,Saw,Square,Sample & Hold";
constexpr const char kVoiceModes[] = "Poly,Mono,Legato";
constexpr const char kSyncItems[] = "Free,4/1,2/1,1/1,1/2,1/4,1/8,1/16,1/32,1/4 dotted,1/8 dotted,"
                                    "1/4 triplet,1/8 triplet";
constexpr auto kLfoShapeChoices = se::ChoicesOf<5>(kLfoShapes, 0);
constexpr auto kVoiceModeChoices = se::ChoicesOf<3>(kVoiceModes, 0);
constexpr auto kSyncChoices = se::ChoicesOf<kLfoSyncCount>(kSyncItems, 0);
constexpr double kSyncBeats[kLfoSyncCount] = {0.0,  16.0,  8.0, 4.0,  2.0,       1.0,      0.5,
                                              0.25, 0.125, 1.5, 0.75, 2.0 / 3.0, 1.0 / 3.0};

constexpr const char kOsc[] = "Oscillators";
constexpr const char kFilter[] = "Filter";
constexpr const char kFilterEnv[] = "Filter envelope";
constexpr const char kAmp[] = "Amplifier";
constexpr const char kLfo[] = "LFO";
constexpr const char kVoices[] = "Voices";

using K = Kind;
using U = Unit;

} // namespace

constinit const ControlSpec kControls[kControlCount] = {
    {"osc1_wave", "Osc 1 Waveform", K::kChoice, 0, 255, 1, U::kNone, kOsc,
     "Oscillator 1's shape: a table waveform, its pulse form, or noise",
     OscChoices(osc::kWaveform)},
    {"osc1_width", "Osc 1 Pulse Width", K::kLinear, 0, 100, 50, U::kPercent, kOsc,
     "The duty cycle of a pulse form, the phase of a table waveform, the level of noise"},
    {"osc2_wave", "Osc 2 Waveform", K::kChoice, 0, 255, 1, U::kNone, kOsc, "Oscillator 2's shape",
     OscChoices(osc::kWaveform)},
    {"osc2_width", "Osc 2 Pulse Width", K::kLinear, 0, 100, 50, U::kPercent, kOsc,
     "As for oscillator 1"},
    {"osc2_octave", "Osc 2 Octave", K::kInteger, -2, 2, 0, U::kOctaves, kOsc,
     "Oscillator 2's pitch in octaves from oscillator 1's"},
    {"osc2_semi", "Osc 2 Semitones", K::kInteger, -12, 12, 0, U::kSemitones, kOsc,
     "Oscillator 2's interval from oscillator 1 in semitones"},
    {"osc2_fine", "Osc 2 Fine", K::kLinear, -100, 100, 0, U::kCents, kOsc,
     "Oscillator 2's detune in cents"},
    {"osc2_sync", "Osc 2 Sync", K::kToggle, 0, 1, 0, U::kNone, kOsc,
     "Hard sync: oscillator 2 restarts its cycle with each cycle of oscillator 1"},
    {"osc_mix", "Osc Mix", K::kLinear, 0, 100, 0, U::kPercent, kOsc,
     "0 %: oscillator 1 alone, 100 %: oscillator 2 alone, equal-power in between"},
    {"noise", "Noise", K::kLinear, 0, 100, 0, U::kPercent, kOsc,
     "White noise added to the oscillators, different in every voice"},
    {"cutoff", "Cutoff", K::kLogarithmic, 20, 20000, 3000, U::kHz, kFilter,
     "The ladder's cutoff (its Pitch) before envelope, key, velocity and LFO"},
    {"resonance", "Resonance", K::kLinear, 0, 100, 20, U::kPercent, kFilter,
     "Feedback around the ladder: a peak at the cutoff, self-oscillation near the top"},
    {"zing", "Zing", K::kLinear, LadderMin(ladder::kZingPin), LadderMax(ladder::kZingPin), 10,
     U::kVolts, kFilter,
     "How strongly the cutoff scales the resonance (the ladder's (Zing) input)"},
    {"filter_type", "Filter Type", K::kChoice, 0, 1, 0, U::kNone, kFilter,
     "LP: the ladder's output; HP: input minus output, a high-cut shelf with inverted lows (not "
     "a high-pass)",
     LadderChoices(ladder::kTypePin)},
    {"filter_tap", "Filter Tap", K::kChoice, 2, 6, 5, U::kNone, kFilter,
     "The stage the output is taken after (2 to 5), or the X mix (6)",
     LadderChoices(ladder::kFilterTapPin)},
    {"q_tap", "Q Tap", K::kChoice, 2, 5, 5, U::kNone, kFilter,
     "The stage the resonance is fed back from; with X, the stage of the mix",
     LadderChoices(ladder::kQTapPin)},
    {"emulate", "Emulate", K::kChoice, 0, 1, 1, U::kNone, kFilter,
     "Analog: every stage saturates softly; Digital: only the input stage",
     LadderChoices(ladder::kEmulatePin)},
    {"version", "Version", K::kChoice, 0, 1, 0, U::kNone, kFilter,
     "Two builds of the same ladder that round differently", LadderChoices(ladder::kVersionPin)},
    {"bass_boost", "Bass Boost", K::kChoice, 0, 3, 2, U::kNone, kFilter,
     "A lift of the output at low cutoffs", LadderChoices(ladder::kBassBoostPin)},
    {"filter_env", "Filter Env Amount", K::kLinear, -8, 8, 2, U::kOctaves, kFilter,
     "How far the filter envelope moves the cutoff at its peak"},
    {"key_track", "Key Tracking", K::kLinear, 0, 100, 50, U::kPercent, kFilter,
     "How far the cutoff follows the note from middle C (100 %: an octave per octave)"},
    {"vel_cutoff", "Velocity to Cutoff", K::kLinear, 0, 4, 1, U::kOctaves, kFilter,
     "How much lower the cutoff lies for the softest note than for the hardest"},
    {"pressure_cutoff", "Pressure to Cutoff", K::kLinear, -4, 4, 1, U::kOctaves, kFilter,
     "How far full channel pressure moves the cutoff"},
    {"filter_attack", "Filter Attack", K::kLogarithmic, 1, 10000, 2, U::kMs, kFilterEnv,
     "Time from the note's start to the envelope's peak"},
    {"filter_decay", "Filter Decay", K::kLogarithmic, 1, 10000, 400, U::kMs, kFilterEnv,
     "Time from the peak to the sustain level"},
    {"filter_sustain", "Filter Sustain", K::kLinear, 0, 100, 30, U::kPercent, kFilterEnv,
     "Level held while the key is down"},
    {"filter_release", "Filter Release", K::kLogarithmic, 1, 10000, 300, U::kMs, kFilterEnv,
     "Time from the key's release to 0"},
    {"amp_attack", "Amp Attack", K::kLogarithmic, 1, 10000, 3, U::kMs, kAmp,
     "Time from the note's start to full level"},
    {"amp_decay", "Amp Decay", K::kLogarithmic, 1, 10000, 300, U::kMs, kAmp,
     "Time from full level to the sustain level"},
    {"amp_sustain", "Amp Sustain", K::kLinear, 0, 100, 80, U::kPercent, kAmp,
     "Level held while the key is down"},
    {"amp_release", "Amp Release", K::kLogarithmic, 1, 10000, 250, U::kMs, kAmp,
     "Time from the key's release to silence"},
    {"amp_velocity", "Velocity Sensitivity", K::kLinear, 0, 100, 50, U::kPercent, kAmp,
     "0 %: every note at full level; 100 %: level falls 12 dB per halving of velocity"},
    {"lfo_shape", "LFO Shape", K::kChoice, 0, 4, 0, U::kNone, kLfo,
     "The LFO's waveform; Sample & Hold takes a new random value each cycle", kLfoShapeChoices},
    {"lfo_rate", "LFO Rate", K::kLogarithmic, 0.01f, 50, 5, U::kHz, kLfo,
     "Cycles per second, when not synced to the tempo"},
    {"lfo_sync", "LFO Tempo Sync", K::kChoice, 0, kLfoSyncCount - 1, 0, U::kNone, kLfo,
     "Free: the rate in Hz; otherwise one cycle per note value, in phase with the host's "
     "transport where the host sends it",
     kSyncChoices},
    {"lfo_pitch", "LFO to Pitch", K::kLinear, 0, 1200, 0, U::kCents, kLfo,
     "Vibrato depth, both oscillators"},
    {"lfo_cutoff", "LFO to Cutoff", K::kLinear, 0, 4, 0, U::kOctaves, kLfo,
     "Depth of the LFO on the cutoff"},
    {"lfo_width", "LFO to Pulse Width", K::kLinear, 0, 50, 0, U::kPercent, kLfo,
     "Depth of the LFO on both oscillators' widths"},
    {"lfo_wheel", "Mod Wheel to LFO", K::kLinear, 0, 100, 100, U::kPercent, kLfo,
     "How much the mod wheel scales the LFO's depths: at 100 % the wheel at 0 leaves no LFO, at "
     "0 % the wheel does nothing"},
    {"polyphony", "Polyphony", K::kInteger, 1, 32, 8, U::kNone, kVoices,
     "Voices that sound at once in Poly mode"},
    {"voice_mode", "Voice Mode", K::kChoice, 0, 2, 0, U::kNone, kVoices,
     "Poly; Mono: one voice, the last note, back to notes still held; Legato: as Mono, "
     "without restarting the envelopes while notes overlap",
     kVoiceModeChoices},
    {"glide", "Glide", K::kLinear, 0, 5000, 0, U::kMs, kVoices,
     "Time the pitch takes from the previous note to the new one"},
    {"bend_range", "Bend Range", K::kInteger, 0, 24, 2, U::kSemitones, kVoices,
     "Pitch bend at full throw"},
    {"width", "Stereo Width", K::kLinear, 0, 100, 50, U::kPercent, kVoices,
     "Spreads the notes across the stereo field, low to the left, high to the right"},
    {"volume", "Volume", K::kLinear, -60, 12, -9, U::kDb, kVoices, "Master level"},
};

int32_t FindControl(std::string_view symbol) {
  for (int32_t i = 0; i < kControlCount; ++i)
    if (symbol == kControls[i].symbol)
      return i;
  return -1;
}

float ContainValue(Control control, float value) {
  const ControlSpec &c = kControls[control];
  if (value != value)
    return c.defaultValue;
  float v = value < c.minimum ? c.minimum : (value > c.maximum ? c.maximum : value);
  switch (c.kind) {
  case Kind::kInteger:
  case Kind::kToggle: return std::floor(v + 0.5f);
  case Kind::kChoice: {
    float best = c.defaultValue;
    double bestDistance = 1e30;
    for (const se::ChoiceMeta &item : c.choices) {
      const double d = std::fabs(static_cast<double>(v) - item.shown);
      if (d < bestDistance || (d == bestDistance && item.shown < best)) {
        best = static_cast<float>(item.shown);
        bestDistance = d;
      }
    }
    return best;
  }
  default: return v;
  }
}

int32_t ChoiceValue(Control control, float shown) {
  const ControlSpec &c = kControls[control];
  int32_t fallback = 0;
  for (const se::ChoiceMeta &item : c.choices) {
    if (static_cast<float>(item.shown) == shown)
      return item.value;
    if (static_cast<float>(item.shown) == c.defaultValue)
      fallback = item.value;
  }
  return fallback;
}

double LfoSyncBeats(int32_t item) {
  return item >= 0 && item < kLfoSyncCount ? kSyncBeats[item] : 0.0;
}

} // namespace synth
