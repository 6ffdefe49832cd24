// The oscillator's pins, public: the pin list as the host sees it, the values
// of its choice pins, and beside them what each pin means to users
// (se_pin_meta.h), for every front end that shows, sets or maps them.
#ifndef AUDIO_OSCILLATOR_PINS_H
#define AUDIO_OSCILLATOR_PINS_H

#include "audio_oscillator/choice_text.h"
#include "se_pin_meta.h"
#include "se_pins.h"
#include "waveforms.h"

namespace osc {

// The module's name and id, as its description gives them.
inline constexpr char kModuleName[] = "QX_Standard_Osc";
inline constexpr char kModuleId[] = "Audio_Standard_Osc_QX2006";

// DSP pin indices.
enum Pin : int32_t {
  kPitch = 0,
  kPitchAdjust = 1,
  kPitchRef = 2,
  kPhasePw = 3,
  kSync = 4,
  kSyncAccuracy = 5,
  kWaveOut = 6,
  kWaveform = 7,
  kWaveQuality = 8,
  kHarmonics = 9,
  kFreqLimit = 10,
  kLimitSystem = 11,
  kPitchMode = 12,
  kPitchModAccuracy = 13,
  kHold = 14,
  kActive = 15,
  kStepScratch = 16,
  kLink = 17,
  kPinCount = 18
};

// Limit Freq System and Pitch Mode values.
constexpr int16_t kLimitOff = 0;
constexpr int16_t kLimitB = 2;
constexpr int16_t kPitchOct = 0;
constexpr int16_t kPitchKhz = 1;
constexpr int16_t kPitchHz = 2;

// "Sine,Saw,...,Pulse:Saw,...,Noise=255": the table waveforms in the order of
// their values, from the spectrum registry. Items without "=" take the next
// value, so the table waveforms must be numbered 0, 1, 2, ... in list order.
static_assert(wavetable::kSineWaveform == 0 && wavetable::kFirstBlockWaveform == 1 &&
                  wavetable::kFirstPulseWaveform ==
                      wavetable::kFirstBlockWaveform + wavetable::kWaveBlocks,
              "list order is value order");
struct WaveformItems {
  template <class Out> static constexpr void Write(Out &out) {
    out.Put(wavetable::kSineName);
    for (const wavetable::SpectrumRow &row : wavetable::kSpectra) {
      out.Put(",");
      out.Put(row.name);
    }
    for (const wavetable::SpectrumRow &row : wavetable::kSpectra) {
      out.Put(",");
      out.Put(wavetable::kPulsePrefix);
      out.Put(row.name);
    }
    out.Put(",");
    out.Put(wavetable::kNoiseName);
    out.Put("=");
    out.Put(unsigned{wavetable::kNoiseWaveform});
  }
};

// "1,2,...,256": one item per harmonic count.
struct HarmonicsItems {
  template <class Out> static constexpr void Write(Out &out) {
    for (int k = 1; k <= wavetable::kMaxHarmonics; ++k) {
      if (k > 1)
        out.Put(",");
      out.Put(static_cast<unsigned>(k));
    }
  }
};

inline constexpr auto kWaveformList = MakeChoiceText<WaveformItems>();
inline constexpr auto kHarmonicsList = MakeChoiceText<HarmonicsItems>();

inline constexpr char kOnOffItems[] = "OFF,ON";
inline constexpr char kAccuracyItems[] = "Low,High";
inline constexpr char kWaveQualityItems[] = "High=1";
inline constexpr char kLimitSystemItems[] = "OFF,A,B";
inline constexpr char kPitchModeItems[] = "Oct,Khz,Hz";

inline constexpr se::PinSpec kPins[kPinCount] = {
    {"Pitch", DR_IN, DT_FSAMPLE, "5.000", nullptr},
    {"Pitch Adjust (offset)", DR_IN, DT_FSAMPLE, "0.0", nullptr},
    {"Pitch Ref (System B)", DR_IN, DT_FSAMPLE, "5.000", nullptr},
    {"Phase/Pulse Width", DR_IN, DT_FSAMPLE, "0.000", nullptr},
    {"Sync", DR_IN, DT_FSAMPLE, "0.0", nullptr},
    {"Sync Accuracy", DR_IN, DT_CHOICE, "1", kAccuracyItems},
    {"Wave.Out", DR_OUT, DT_FSAMPLE, nullptr, nullptr},
    {"Waveform", DR_IN, DT_CHOICE, "0", kWaveformList.data()},
    {"Wave Quality", DR_IN, DT_CHOICE, "1", kWaveQualityItems},
    {"Harmonics", DR_IN, DT_CHOICE, "255", kHarmonicsList.data()},
    {"Freq Limit (Hz)", DR_IN, DT_FSAMPLE, "22000", "22050,100,22050,100"},
    {"Limit Freq System", DR_IN, DT_CHOICE, "1", kLimitSystemItems},
    {"Pitch Mode", DR_IN, DT_CHOICE, "0", kPitchModeItems},
    {"PitchMod Accuracy", DR_IN, DT_CHOICE, "1", kAccuracyItems},
    {"HOLD: On/Off", DR_IN, DT_CHOICE, "0", kOnOffItems},
    {"Active", DR_IN, DT_CHOICE, "0", kOnOffItems},
    {"", DR_CODE3, DT_FSAMPLE, "", nullptr},
    {"QX_Osc_Link", DR_IN, DT_INT32, nullptr, nullptr},
};

// The choices as users read them: a Harmonics item k is k + 1 harmonics.
inline constexpr auto kAccuracyChoices = se::ChoicesOf<2>(kAccuracyItems, 0);
inline constexpr auto kWaveformChoices =
    se::ChoicesOf<se::ChoiceCount(kWaveformList.data())>(kWaveformList.data(), 0);
inline constexpr auto kWaveQualityChoices = se::ChoicesOf<1>(kWaveQualityItems, 0);
inline constexpr auto kHarmonicsChoices =
    se::ChoicesOf<wavetable::kMaxHarmonics>(kHarmonicsList.data(), 1);
inline constexpr auto kLimitSystemChoices = se::ChoicesOf<3>(kLimitSystemItems, 0);
inline constexpr auto kPitchModeChoices = se::ChoicesOf<3>(kPitchModeItems, 0);
inline constexpr auto kOnOffChoices = se::ChoicesOf<2>(kOnOffItems, 0);

inline constexpr const char *kPhasePwAliases[] = {"Pulse Width", "Phase"};
inline constexpr const char *kPitchModAccuracyAliases[] = {"Pitch Mod Accuracy"};

// Pitch in the Oct mode, from an LFO's crawl to the top of hearing.
inline constexpr se::PinRange kPitchRange = {-10.0, 10.6};

inline constexpr se::PinMeta kPinMeta[kPinCount] = {
    {.name = kPins[kPitch].name,
     .display = "Pitch",
     .symbol = "pitch",
     .unit = se::PinUnit::kPitch,
     .range = kPitchRange,
     .what = "The pitch played (Pitch Adjust is added to it): 1 V per octave in Pitch Mode Oct, "
             "1 V = 1 kHz in Khz, 1 V = 1 Hz in Hz."},
    {.name = kPins[kPitchAdjust].name,
     .display = "Pitch Adjust",
     .symbol = "pitch_adjust",
     .unit = se::PinUnit::kInterval,
     .range = {-10.0, 10.0},
     .what = "An interval added to Pitch, in volts (1/12 V per semitone), e.g. for vibrato or "
             "transposing."},
    {.name = kPins[kPitchRef].name,
     .display = "Pitch Ref",
     .symbol = "pitch_ref",
     .unit = se::PinUnit::kPitch,
     .range = kPitchRange,
     .what = "With Limit Freq System B, the pitch whose frequency sets the harmonic limit."},
    {.name = kPins[kPhasePw].name,
     .display = "Phase/Pulse Width",
     .symbol = "pulse_width",
     .aliases = kPhasePwAliases,
     .unit = se::PinUnit::kCycles,
     .range = {0.0, 10.0},
     .what = "Table waveforms: a phase shift. Pulse forms: the pulse width (5 V = half). Noise: "
             "the noise level."},
    {.name = kPins[kSync].name,
     .display = "Sync",
     .symbol = "sync",
     .unit = se::PinUnit::kAudio,
     .range = {-10.0, 10.0},
     .what = "Each rise through 0 V restarts the cycle (hard sync)."},
    {.name = kPins[kSyncAccuracy].name,
     .display = "Sync Accuracy",
     .symbol = "sync_accuracy",
     .unit = se::PinUnit::kChoice,
     .what = "Where a restart falls: Low on the sample, High (cleaner) at the instant between "
             "samples where Sync crossed 0 V.",
     .choices = kAccuracyChoices},
    {.name = kPins[kWaveOut].name,
     .display = "Output",
     .symbol = "out",
     .unit = se::PinUnit::kAudio,
     .range = {-10.0, 10.0},
     .what = "The waveform: a sine peaks at 5 V, other shapes between about 3.8 V and 9 V."},
    {.name = kPins[kWaveform].name,
     .display = "Waveform",
     .symbol = "waveform",
     .unit = se::PinUnit::kChoice,
     .what = "The shape: the table waveforms; \"Pulse:\" forms play the shape at phase + width "
             "minus the shape at phase; Noise plays white noise.",
     .choices = kWaveformChoices},
    {.name = kPins[kWaveQuality].name,
     .display = "Wave Quality",
     .symbol = "wave_quality",
     .unit = se::PinUnit::kChoice,
     .what = "One choice (High); it changes nothing.",
     .choices = kWaveQualityChoices},
    {.name = kPins[kHarmonics].name,
     .display = "Harmonics",
     .symbol = "harmonics",
     .unit = se::PinUnit::kChoice,
     .what = "The most harmonics that may sound, 1 to 256: fewer is a simple low-pass.",
     .choices = kHarmonicsChoices},
    {.name = kPins[kFreqLimit].name,
     .display = "Freq Limit",
     .symbol = "freq_limit",
     .unit = se::PinUnit::kHertz,
     .range = {100.0, 22050.0},
     .what = "With Limit Freq System A or B, harmonics above this frequency are left out (the "
             "fundamental always sounds)."},
    {.name = kPins[kLimitSystem].name,
     .display = "Limit Freq System",
     .symbol = "limit_system",
     .unit = se::PinUnit::kChoice,
     .what = "OFF: only Harmonics limits (high notes fold back above half the sample rate). A: "
             "the limit follows the pitch played. B: it follows Pitch Ref (System B).",
     .choices = kLimitSystemChoices},
    {.name = kPins[kPitchMode].name,
     .display = "Pitch Mode",
     .symbol = "pitch_mode",
     .unit = se::PinUnit::kChoice,
     .what = "How the pitch pins are read: Oct 1 V per octave (0 V = 13.75 Hz), Khz 1 V = "
             "1 kHz, Hz 1 V = 1 Hz.",
     .choices = kPitchModeChoices},
    {.name = kPins[kPitchModAccuracy].name,
     .display = "PitchMod Accuracy",
     .symbol = "pitch_accuracy",
     .aliases = kPitchModAccuracyAliases,
     .unit = se::PinUnit::kChoice,
     .what = "Low: a moving pitch is read once per block. High: once per sample.",
     .choices = kAccuracyChoices},
    {.name = kPins[kHold].name,
     .display = "Hold",
     .symbol = "hold",
     .unit = se::PinUnit::kChoice,
     .what = "ON freezes the output at its last value.",
     .choices = kOnOffChoices},
    {.name = kPins[kActive].name,
     .display = "Active",
     .symbol = "active",
     .unit = se::PinUnit::kChoice,
     .what = "OFF (the default) silences the oscillator: set it ON to hear it.",
     .choices = kOnOffChoices},
    {.name = kPins[kStepScratch].name,
     .display = "",
     .symbol = "step_scratch",
     .unit = se::PinUnit::kNone,
     .what = "The module's own scratch memory; it carries no signal.",
     .hidden = true},
    {.name = kPins[kLink].name,
     .display = "Link",
     .symbol = "link",
     .unit = se::PinUnit::kLink,
     .what = "Connect a wavetable generator's QX_Osc_Link here; without it the oscillator is "
             "silent."},
};
static_assert(se::MetaFollowsPins(kPins, kPinMeta), "one metadata entry per pin, by its name");

inline constexpr se::ModuleMeta kModuleMeta{"audio_oscillator", kModuleId, kPins, kPinMeta};

} // namespace osc

// This module's entry in the catalogue made from the build's module list
// (se_pin_catalog.h).
namespace se::pin_meta {
inline constexpr const ModuleMeta &audio_oscillator = osc::kModuleMeta;
} // namespace se::pin_meta

#endif // AUDIO_OSCILLATOR_PINS_H
