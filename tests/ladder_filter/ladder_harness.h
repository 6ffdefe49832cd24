// Runs one scenario through our host with the plugin library, and through the
// reference model with the same process calls.
#ifndef LADDER_HARNESS_H
#define LADDER_HARNESS_H

#include "host.h"
#include "ladder_filter/pins.h"
#include "ladder_reference.h"
#include "plugin_path.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace ladder_test {

struct Change {
  int64_t clock; // > 0
  int pin;       // a choice pin
  int value;
};

struct Scenario {
  float rate = 44100.0f;
  int block = 64;
  int length = 512;
  Choices choices;
  // A streaming input when the vector is set, else the constant (not streaming).
  std::vector<float> signal, pitch, resonance, zing;
  float signalConst = 0.0f, pitchConst = 0.5f, resonanceConst = 0.5f, zingConst = 1.0f;
  std::vector<Change> changes;
};

inline void SetChoice(Choices &c, int pin, int value) {
  const auto v = static_cast<int16_t>(value);
  switch (pin) {
  case ladder::kTypePin: c.type = v; break;
  case ladder::kFilterTapPin: c.filterTap = v; break;
  case ladder::kQTapPin: c.qTap = v; break;
  case ladder::kEmulatePin: c.emulate = v; break;
  case ladder::kVersionPin: c.version = v; break;
  case ladder::kBassBoostPin: c.bass = v; break;
  default: break;
  }
}

// Builds the instance in `host` (not opened) and answers its id.
inline int AddFilter(sehost::Host &host, const Scenario &s) {
  auto &lib = host.Load(setest::PluginPath("ladder_filter"));
  const int id = host.Add(lib);
  auto input = [&](int pin, const std::vector<float> &samples, float constant) {
    if (!samples.empty())
      host.Feed(id, pin, std::make_unique<sehost::ArraySource>(samples));
    else
      host.SetValue(id, pin, constant);
  };
  input(ladder::kSignalPin, s.signal, s.signalConst);
  input(ladder::kPitchPin, s.pitch, s.pitchConst);
  input(ladder::kResonancePin, s.resonance, s.resonanceConst);
  input(ladder::kZingPin, s.zing, s.zingConst);
  host.SetValue(id, ladder::kTypePin, s.choices.type);
  host.SetValue(id, ladder::kFilterTapPin, s.choices.filterTap);
  host.SetValue(id, ladder::kQTapPin, s.choices.qTap);
  host.SetValue(id, ladder::kEmulatePin, s.choices.emulate);
  host.SetValue(id, ladder::kVersionPin, s.choices.version);
  host.SetValue(id, ladder::kBassBoostPin, s.choices.bass);
  for (const Change &c : s.changes)
    host.ScheduleValue(id, c.pin, c.clock, c.value);
  return id;
}

inline std::vector<float> RunPlugin(const Scenario &s) {
  sehost::Host host(s.rate, s.block);
  const int id = AddFilter(host, s);
  host.Open();
  return host.Render(id, ladder::kOutputPin, s.length);
}

inline std::vector<float> Samples(const std::vector<float> &v, float constant, int length) {
  std::vector<float> out(static_cast<size_t>(length), constant);
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = i < v.size() ? v[i] : (v.empty() ? constant : 0);
  return out;
}

// The reference with the host's call pattern: one call per block, split at
// every choice change. `configure` may adjust the model before it runs.
template <class F = void (*)(Reference &)>
std::vector<float> RunReference(
    const Scenario &s, F configure = [](Reference &) {}) {
  // The last call covers a whole block, as the host's does, so the inputs run
  // to the end of that block.
  const int padded = (s.length + s.block - 1) / s.block * s.block;
  const auto x = Samples(s.signal, s.signalConst, padded);
  const auto v = Samples(s.pitch, s.pitchConst, padded);
  const auto r = Samples(s.resonance, s.resonanceConst, padded);
  const auto z = Samples(s.zing, s.zingConst, padded);
  const bool streaming = !s.signal.empty();
  Reference ref(s.rate);
  configure(ref);
  Choices c = s.choices;
  ref.Open(c);
  ref.PinChanged(c, streaming);
  std::vector<float> out(static_cast<size_t>(s.length), 0.0f);
  for (int start = 0; start < s.length; start += s.block) {
    const int end = std::min(start + s.block, s.length);
    int pos = start;
    while (pos < end) {
      for (const Change &ch : s.changes)
        if (ch.clock == pos) {
          SetChoice(c, ch.pin, ch.value);
          ref.PinChanged(c, streaming);
        }
      int next = start + s.block;
      for (const Change &ch : s.changes)
        if (ch.clock > pos && ch.clock < next)
          next = static_cast<int>(ch.clock);
      const int n = next - pos;
      std::vector<float> buf(static_cast<size_t>(n));
      ref.Process(&x[pos], &v[pos], &r[pos], &z[pos], n, buf.data());
      for (int j = 0; j < n && pos + j < s.length; ++j)
        out[pos + j] = buf[j];
      pos = next;
    }
  }
  return out;
}

// Largest difference relative to the signal's scale.
inline double MaxError(const std::vector<float> &a, const std::vector<float> &b) {
  double peak = 1e-3, err = 0;
  for (float y : b)
    peak = std::max(peak, static_cast<double>(std::fabs(y)));
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    err = std::max(err, std::fabs(static_cast<double>(a[i]) - b[i]));
  return err / peak;
}

// A band-limited-ish test signal: a saw at `hz` with amplitude `amp`.
inline std::vector<float> Saw(int length, double hz, double amp, double rate = 44100.0) {
  std::vector<float> out(static_cast<size_t>(length));
  double ph = 0;
  for (auto &y : out) {
    y = static_cast<float>(amp * (2 * ph - 1));
    ph += hz / rate;
    ph -= std::floor(ph);
  }
  return out;
}

inline std::vector<float> Ramp(int length, float from, float to) {
  std::vector<float> out(static_cast<size_t>(length));
  for (int i = 0; i < length; ++i)
    out[i] = from + (to - from) * static_cast<float>(i) / length;
  return out;
}

} // namespace ladder_test

#endif
