#include "synth/filter_response.h"

#include "ladder_filter/pins.h"
#include "module_runner.h"
#include "module_table.h"
#include "units.h"
#include "voice_bank.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace synth {

namespace {

using se_runtime::ModuleRunner;

float Held(const float (&controls)[kControlCount], Control c) {
  return ContainValue(c, controls[c]);
}

int16_t Item(const float (&controls)[kControlCount], Control c) {
  return static_cast<int16_t>(ChoiceValue(c, Held(controls, c)));
}

void Fill(ModuleRunner &r, int pin, float value) {
  float *b = r.Buffer(pin);
  std::fill(b, b + r.Capacity(), value);
}

} // namespace

bool FilterImpulse(const float (&controls)[kControlCount], double sampleRate, float amplitude,
                   float *out, int32_t frames) {
  const se::PluginEntry *entry = se_runtime::StaticModules().Find("ladder_filter");
  if (entry == nullptr || frames < 1 || !(sampleRate >= 1.0 && sampleRate <= 1.0e6))
    return false;
  ModuleRunner r;
  if (!r.Create(*entry, static_cast<float>(sampleRate), kStretch) ||
      r.PinCount() != ladder::kPinCount)
    return false;
  // Every input as the engine's voices set it (runner_voice_bank.cpp).
  for (int p = 0; p < r.PinCount(); ++p) {
    const SEPinProperties &pin = r.Pin(p);
    if (pin.direction == DR_IN && pin.default_value != nullptr && pin.datatype == DT_FSAMPLE)
      Fill(r, p, static_cast<float>(std::strtod(pin.default_value, nullptr) / 10.0));
  }
  const int16_t choices[6] = {Item(controls, kFilterType), Item(controls, kFilterTap),
                              Item(controls, kQTap),       Item(controls, kEmulate),
                              Item(controls, kVersion),    Item(controls, kBassBoost)};
  for (int i = 0; i < 6; ++i)
    r.SetValue(ladder::kTypePin + i, choices[i]);
  Fill(r, ladder::kPitchPin, VoltsToSample(HzToVolts(Held(controls, kCutoff))));
  Fill(r, ladder::kResonancePin, static_cast<float>(Held(controls, kResonance) / 100.0));
  Fill(r, ladder::kZingPin, VoltsToSample(Held(controls, kZing)));
  r.SetStreaming(ladder::kSignalPin, true);
  r.SetStreaming(ladder::kPitchPin, true);
  r.Open();
  float *signal = r.Buffer(ladder::kSignalPin);
  for (int32_t done = 0; done < frames; done += kStretch) {
    const int32_t n = std::min(kStretch, frames - done);
    std::fill(signal, signal + n, 0.0f);
    if (done == 0)
      signal[0] = amplitude;
    r.Process(n);
    const float *o = r.Buffer(ladder::kOutputPin);
    std::copy(o, o + n, out + done);
  }
  return true;
}

} // namespace synth
