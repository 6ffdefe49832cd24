// The oscillator's pin list as the host sees it, and the values of its
// choice pins.
#ifndef AUDIO_OSCILLATOR_OSCILLATOR_PINS_H
#define AUDIO_OSCILLATOR_OSCILLATOR_PINS_H

#include "choice_text.h"
#include "se_pins.h"
#include "waveforms.h"

namespace osc {

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

inline constexpr se::PinSpec kPins[kPinCount] = {
    {"Pitch", DR_IN, DT_FSAMPLE, "5.000", nullptr},
    {"Pitch Adjust (offset)", DR_IN, DT_FSAMPLE, "0.0", nullptr},
    {"Pitch Ref (System B)", DR_IN, DT_FSAMPLE, "5.000", nullptr},
    {"Phase/Pulse Width", DR_IN, DT_FSAMPLE, "0.000", nullptr},
    {"Sync", DR_IN, DT_FSAMPLE, "0.0", nullptr},
    {"Sync Accuracy", DR_IN, DT_CHOICE, "1", "Low,High"},
    {"Wave.Out", DR_OUT, DT_FSAMPLE, nullptr, nullptr},
    {"Waveform", DR_IN, DT_CHOICE, "0", kWaveformList.data()},
    {"Wave Quality", DR_IN, DT_CHOICE, "1", "High=1"},
    {"Harmonics", DR_IN, DT_CHOICE, "255", kHarmonicsList.data()},
    {"Freq Limit (Hz)", DR_IN, DT_FSAMPLE, "22000", "22050,100,22050,100"},
    {"Limit Freq System", DR_IN, DT_CHOICE, "1", "OFF,A,B"},
    {"Pitch Mode", DR_IN, DT_CHOICE, "0", "Oct,Khz,Hz"},
    {"PitchMod Accuracy", DR_IN, DT_CHOICE, "1", "Low,High"},
    {"HOLD: On/Off", DR_IN, DT_CHOICE, "0", "OFF,ON"},
    {"Active", DR_IN, DT_CHOICE, "0", "OFF,ON"},
    {"", DR_CODE3, DT_FSAMPLE, "", nullptr},
    {"QX_Osc_Link", DR_IN, DT_INT32, nullptr, nullptr},
};

} // namespace osc

#endif // AUDIO_OSCILLATOR_OSCILLATOR_PINS_H
