// The oscillator's pin list as the host sees it, and the values of its
// choice pins.
#ifndef AUDIO_OSCILLATOR_OSCILLATOR_PINS_H
#define AUDIO_OSCILLATOR_OSCILLATOR_PINS_H

#include "se_pins.h"

#include <array>
#include <cstddef>

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

// Waveform values.
constexpr uint16_t kSine = 0;
constexpr uint16_t kFirstPulse = 11;
constexpr uint16_t kLastPulse = 20;
constexpr uint16_t kNoise = 255;
constexpr uint16_t kDirectoryEntries = 256;

// Limit Freq System and Pitch Mode values.
constexpr int16_t kLimitOff = 0;
constexpr int16_t kLimitB = 2;
constexpr int16_t kPitchOct = 0;
constexpr int16_t kPitchKhz = 1;
constexpr int16_t kPitchHz = 2;

// The scratch pin's direction code: a buffer of the host's that carries no signal.
constexpr int32_t kDirScratch = 3;

// "1,2,...,256", built at compile time.
constexpr std::size_t HarmonicsListLength() {
  std::size_t n = 0;
  for (int k = 1; k <= 256; ++k)
    n += (k < 10 ? 1 : k < 100 ? 2 : 3) + (k < 256 ? 1 : 0);
  return n + 1;
}

constexpr std::array<char, HarmonicsListLength()> MakeHarmonicsList() {
  std::array<char, HarmonicsListLength()> text{};
  std::size_t at = 0;
  for (int k = 1; k <= 256; ++k) {
    if (k >= 100)
      text[at++] = static_cast<char>('0' + k / 100);
    if (k >= 10)
      text[at++] = static_cast<char>('0' + k / 10 % 10);
    text[at++] = static_cast<char>('0' + k % 10);
    if (k < 256)
      text[at++] = ',';
  }
  text[at] = '\0';
  return text;
}

inline constexpr auto kHarmonicsList = MakeHarmonicsList();

inline constexpr se::PinSpec kPins[kPinCount] = {
    {"Pitch", DR_IN, DT_FSAMPLE, "5.000", nullptr},
    {"Pitch Adjust (offset)", DR_IN, DT_FSAMPLE, "0.0", nullptr},
    {"Pitch Ref (System B)", DR_IN, DT_FSAMPLE, "5.000", nullptr},
    {"Phase/Pulse Width", DR_IN, DT_FSAMPLE, "0.000", nullptr},
    {"Sync", DR_IN, DT_FSAMPLE, "0.0", nullptr},
    {"Sync Accuracy", DR_IN, DT_CHOICE, "1", "Low,High"},
    {"Wave.Out", DR_OUT, DT_FSAMPLE, nullptr, nullptr},
    {"Waveform", DR_IN, DT_CHOICE, "0",
     "Sine,Saw,Ramp,Soft Ramp,Peak Ramp,Square,Triangle,Peak,Octava,Cluster1,Cluster2,"
     "Pulse:Saw,Pulse:Ramp,Pulse:Soft Ramp,Pulse:Peak Ramp,Pulse:Square,Pulse:Triangle,"
     "Pulse:Peak,Pulse:Octava,Pulse:Cluster1,Pulse:Cluster2,Noise=255"},
    {"Wave Quality", DR_IN, DT_CHOICE, "1", "High=1"},
    {"Harmonics", DR_IN, DT_CHOICE, "255", kHarmonicsList.data()},
    {"Freq Limit (Hz)", DR_IN, DT_FSAMPLE, "22000", "22050,100,22050,100"},
    {"Limit Freq System", DR_IN, DT_CHOICE, "1", "OFF,A,B"},
    {"Pitch Mode", DR_IN, DT_CHOICE, "0", "Oct,Khz,Hz"},
    {"PitchMod Accuracy", DR_IN, DT_CHOICE, "1", "Low,High"},
    {"HOLD: On/Off", DR_IN, DT_CHOICE, "0", "OFF,ON"},
    {"Active", DR_IN, DT_CHOICE, "0", "OFF,ON"},
    {"", kDirScratch, DT_FSAMPLE, "", nullptr},
    {"QX_Osc_Link", DR_IN, DT_INT32, nullptr, nullptr},
};

} // namespace osc

#endif // AUDIO_OSCILLATOR_OSCILLATOR_PINS_H
