// A patch of one table generator feeding oscillators over the link, run
// through our host, plus the reference arithmetic the tests compare against.
#ifndef TESTS_AUDIO_OSCILLATOR_OSC_PATCH_H
#define TESTS_AUDIO_OSCILLATOR_OSC_PATCH_H

#include "host.h"
#include "plugin_path.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace osctest {

constexpr double kPi = 3.14159265358979323846;
constexpr int kStride = 516;

class OscPatch {
public:
  explicit OscPatch(int oscillators = 1, float rate = 44100.0f, int32_t block = 256,
                    bool linked = true, bool activate = true)
      : host(rate, block) {
    auto &genLib = host.Load(setest::PluginPath("wavetable_generator"));
    auto &oscLib = host.Load(setest::PluginPath("audio_oscillator"));
    gen = host.Add(genLib, "gen");
    for (int i = 0; i < oscillators; ++i) {
      osc.push_back(host.Add(oscLib, "osc" + std::to_string(i)));
      if (linked)
        host.Connect(gen, "QX_Osc_Link", osc.back(), "QX_Osc_Link");
      if (activate)
        host.SetValue(osc.back(), "Active", 1);
    }
  }

  void Set(const std::string &pin, double value, int i = 0) { host.SetValue(osc[i], pin, value); }
  void Stream(const std::string &pin, std::function<float(int64_t)> f, int i = 0) {
    host.Feed(osc[i], host.PinIndex(osc[i], pin),
              std::make_unique<sehost::FunctionSource>(std::move(f)));
  }
  void Schedule(const std::string &pin, int64_t clock, double value, int i = 0) {
    host.ScheduleValue(osc[i], host.PinIndex(osc[i], pin), clock, value);
  }
  void Open() { host.Open(); }
  std::vector<float> Render(int64_t n, int i = 0) { return host.Render(osc[i], "Wave.Out", n); }
  const float *Out(int i = 0) const {
    return host.Buffer(osc[i], host.PinIndex(osc[i], "Wave.Out"));
  }

  // The table directory the generator sent, read from its link variable.
  const float *const *Directory() const {
    const auto pins = host.Pins(gen);
    return reinterpret_cast<const float *const *>(*static_cast<intptr_t *>(pins[0].variable));
  }
  // The table of a waveform with n harmonics (Sine has one).
  const float *Table(int waveform, int harmonics = 1) const {
    const float *block = Directory()[waveform];
    return waveform == 0 ? block : block + (harmonics - 1) * kStride;
  }

  sehost::Host host;
  int gen = -1;
  std::vector<int> osc;
};

// ---- Reference arithmetic, written independently of the module ----

// Linear interpolation of a 512-point cycle at a phase in cycles.
inline double RefRead(const float *table, double cycles) {
  const double t = (cycles - std::floor(cycles)) * 512.0;
  const int i = static_cast<int>(std::floor(t)) & 511;
  const double fr = t - std::floor(t);
  return table[i] + fr * (table[i + 1] - table[i]);
}

// Root-mean-square difference between a rendering and a table played from
// phase 0 at `cyclesPerSample`.
inline double TableError(const std::vector<float> &out, const float *table, double cyclesPerSample,
                         size_t from = 0) {
  double sum = 0.0;
  for (size_t j = from; j < out.size(); ++j) {
    const double d = out[j] - RefRead(table, static_cast<double>(j) * cyclesPerSample);
    sum += d * d;
  }
  return std::sqrt(sum / static_cast<double>(out.size() - from));
}

// The harmonic count whose table a rendering of `waveform` follows best.
inline int BestTable(const OscPatch &p, int waveform, const std::vector<float> &out,
                     double cyclesPerSample) {
  int best = 0;
  double bestError = 1e300;
  for (int n = 1; n <= 256; ++n) {
    const double e = TableError(out, p.Table(waveform, n), cyclesPerSample);
    if (e < bestError) {
      bestError = e;
      best = n;
    }
  }
  return best;
}

// Hz of "Oct" pitch volts: 13.75 Hz at 0 V, doubling per volt.
inline double OctHz(double volts) { return 13.75 * std::pow(2.0, volts); }

inline bool AllFinite(const std::vector<float> &v, float bound) {
  for (float x : v)
    if (!std::isfinite(x) || std::fabs(x) > bound)
      return false;
  return true;
}

// Rising zero crossings, a frequency measure that needs no phase.
inline int RisingCrossings(const std::vector<float> &v, size_t from = 0) {
  int n = 0;
  for (size_t j = from + 1; j < v.size(); ++j)
    if (v[j - 1] < 0.0f && v[j] >= 0.0f)
      ++n;
  return n;
}

} // namespace osctest

#endif // TESTS_AUDIO_OSCILLATOR_OSC_PATCH_H
