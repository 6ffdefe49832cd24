// Filter voices run four or eight at a time in lanes give, voice by voice and bit for
// bit, what the module writes through its C interface for the same inputs,
// the same pin changes and the same call lengths: over every combination row
// in both versions, low-pass and high-pass, and with voices in different
// states side by side (sleeping, restarting, resonating, ducking, fed
// non-finite samples).
#include "ladder_filter/filter_voice.h"
#include "module_runner.h"
#include "module_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr float kRate = 48000.0f;
enum Pin {
  kSignal,
  kPitch,
  kResonance,
  kZing,
  kType,
  kFilterTap,
  kQTap,
  kEmulate,
  kVersion,
  kBass
};

// A pin change at the start of call `call`: a choice pin's value, or for
// kSignal whether the signal streams (1) or not (0).
struct Change {
  int call;
  int pin;
  int value;
};

struct VoicePlan {
  ladder::FilterChoices choices;
  bool streaming = true;
  std::vector<float> signal, pitch, resonance, zing;
  std::vector<Change> changes;
};

// Call lengths: single samples, grid-sized and odd stretches, whole blocks.
std::vector<int32_t> Calls(int total) {
  const int32_t cycle[] = {32, 1, 12, 13, 5, 64, 31, 24, 11, 2, 48, 7, 36, 3};
  std::vector<int32_t> calls;
  for (int done = 0, k = 0; done < total; ++k) {
    const int32_t n = std::min<int32_t>(cycle[k % std::size(cycle)], total - done);
    calls.push_back(n);
    done += n;
  }
  return calls;
}
constexpr int32_t kLongestCall = 64;

int Total(const std::vector<int32_t> &calls) {
  int n = 0;
  for (int32_t c : calls)
    n += c;
  return n;
}

void Apply(ladder::FilterChoices &c, bool &streaming, const Change &ch) {
  const auto v = static_cast<int16_t>(ch.value);
  switch (ch.pin) {
  case kSignal: streaming = ch.value != 0; break;
  case kType: c.type = v; break;
  case kFilterTap: c.filterTap = v; break;
  case kQTap: c.qTap = v; break;
  case kEmulate: c.emulate = v; break;
  case kVersion: c.version = v; break;
  case kBass: c.bassBoost = v; break;
  default: break;
  }
}

// The module, through its C interface, as the runner drives it.
std::vector<float> RunModule(const VoicePlan &p, const std::vector<int32_t> &calls) {
  se_runtime::ModuleRunner r;
  const se::PluginEntry *entry = se_runtime::StaticModules().Find("ladder_filter");
  EXPECT_NE(entry, nullptr);
  if (entry == nullptr || !r.Create(*entry, kRate, kLongestCall))
    return {};
  const ladder::FilterChoices &c = p.choices;
  const int16_t values[] = {c.type, c.filterTap, c.qTap, c.emulate, c.version, c.bassBoost};
  for (int i = 0; i < 6; ++i)
    r.SetValue(kType + i, values[i]);
  r.SetStreaming(kSignal, p.streaming);
  for (int pin : {kPitch, kResonance, kZing})
    r.SetStreaming(pin, true);
  r.Open();
  std::vector<float> out(static_cast<size_t>(Total(calls)));
  int pos = 0;
  for (size_t k = 0; k < calls.size(); ++k) {
    for (const Change &ch : p.changes)
      if (ch.call == static_cast<int>(k)) {
        if (ch.pin == kSignal)
          r.QueueStatus(0, kSignal, ch.value != 0 ? PS_RUNNING : PS_ONCE);
        else
          r.QueueValue(0, ch.pin, ch.value);
      }
    const std::vector<float> *in[] = {&p.signal, &p.pitch, &p.resonance, &p.zing};
    for (int pin = 0; pin < 4; ++pin)
      r.Bind(pin, const_cast<float *>(in[pin]->data()) + pos);
    r.Bind(10, out.data() + pos);
    r.Process(calls[k]);
    pos += calls[k];
  }
  return out;
}

// The voices, all at once, in lanes where they share a routine. Each pin
// change is one PinsChanged, as each event is one pin change of the module.
std::vector<std::vector<float>> RunVoices(const std::vector<VoicePlan> &plans,
                                          const std::vector<int32_t> &calls) {
  const size_t n = plans.size();
  std::vector<ladder::FilterVoice> voices(n);
  std::vector<bool> streaming(n);
  std::vector<std::vector<float>> out(n, std::vector<float>(static_cast<size_t>(Total(calls))));
  for (size_t v = 0; v < n; ++v) {
    voices[v].choices = plans[v].choices;
    voices[v].Open(kRate);
    streaming[v] = plans[v].streaming;
    voices[v].PinsChanged(streaming[v], kRate);
  }
  std::vector<ladder::FilterVoice *> ptrs;
  for (auto &v : voices)
    ptrs.push_back(&v);
  std::vector<ladder::FilterBuffers> buffers(n);
  int pos = 0;
  for (size_t k = 0; k < calls.size(); ++k) {
    for (size_t v = 0; v < n; ++v) {
      for (const Change &ch : plans[v].changes)
        if (ch.call == static_cast<int>(k)) {
          bool s = streaming[v];
          Apply(voices[v].choices, s, ch);
          streaming[v] = s;
          voices[v].PinsChanged(s, kRate);
        }
      const VoicePlan &p = plans[v];
      buffers[v] = {p.signal.data() + pos, p.pitch.data() + pos, p.resonance.data() + pos,
                    p.zing.data() + pos, out[v].data() + pos};
    }
    ladder::ProcessFilterVoices(ptrs.data(), buffers.data(), static_cast<int>(n), calls[k]);
    pos += calls[k];
  }
  return out;
}

uint32_t Bits(float x) { return std::bit_cast<uint32_t>(x); }

// Every voice's samples against its own module's.
void ExpectSameAsModules(const std::vector<VoicePlan> &plans, const std::vector<int32_t> &calls,
                         const char *what) {
  const auto lanes = RunVoices(plans, calls);
  for (size_t v = 0; v < plans.size(); ++v) {
    const auto module = RunModule(plans[v], calls);
    ASSERT_EQ(module.size(), lanes[v].size());
    for (size_t i = 0; i < module.size(); ++i)
      ASSERT_EQ(Bits(lanes[v][i]), Bits(module[i]))
          << what << ": voice " << v << " sample " << i << ": " << lanes[v][i] << " against "
          << module[i];
  }
}

// Deterministic inputs that differ per voice: a saw, a pulse or noise at the
// voice's own level, a cutoff that sweeps, steps or holds, and a resonance
// that moves or holds.
struct Lcg {
  uint32_t s;
  float Next() { // in [-1, 1)
    s = s * 1664525u + 1013904223u;
    return static_cast<float>(static_cast<int32_t>(s)) * (1.0f / 2147483648.0f);
  }
};

VoicePlan Plan(int voice, int length, const ladder::FilterChoices &c) {
  VoicePlan p;
  p.choices = c;
  Lcg rng{static_cast<uint32_t>(voice * 7919 + 17)};
  const float level = 0.05f + 0.3f * static_cast<float>(voice % 5);
  const double hz = 55.0 * (1 + voice % 7);
  double phase = 0.0;
  for (int i = 0; i < length; ++i) {
    float x;
    switch (voice % 3) {
    case 0: x = static_cast<float>(2.0 * phase - 1.0); break;
    case 1: x = phase < 0.3 ? 1.0f : -0.4f; break;
    default: x = rng.Next(); break;
    }
    phase += hz / kRate;
    phase -= std::floor(phase);
    p.signal.push_back(level * x);
    float v;
    switch (voice % 4) {
    case 0: v = 0.25f + 0.8f * static_cast<float>(i) / static_cast<float>(length); break;
    case 1: v = (i / 40) % 2 ? 0.7f : 0.45f; break;
    case 2: v = 0.6f; break;
    default: v = 0.5f + 0.3f * static_cast<float>(std::sin(i * 0.01 + voice)); break;
    }
    p.pitch.push_back(v - 0.02f * static_cast<float>(voice));
    p.resonance.push_back(voice % 2 ? 0.3f + 0.6f * static_cast<float>(i % 97) / 97.0f
                                    : 0.1f * static_cast<float>(voice % 9));
    p.zing.push_back(0.5f + 0.25f * static_cast<float>(voice % 6));
  }
  return p;
}

ladder::FilterChoices Choices(int filterTap, int qTap, int emulate, int version, int type,
                              int bass) {
  ladder::FilterChoices c;
  c.filterTap = static_cast<int16_t>(filterTap);
  c.qTap = static_cast<int16_t>(qTap);
  c.emulate = static_cast<int16_t>(emulate);
  c.version = static_cast<int16_t>(version);
  c.type = static_cast<int16_t>(type);
  c.bassBoost = static_cast<int16_t>(bass);
  return c;
}

// Groups of five to eight run in one chain of AVX registers where the
// processor has AVX, else in two chains of SSE2 registers: each test runs
// both forms (where AVX is missing, the second run repeats the first).
template <class Test> void InBothEightLaneForms(Test test) {
  for (const bool avx : {true, false}) {
    ladder::AllowAvxLanes(avx);
    test();
    ladder::AllowAvxLanes(true);
    if (::testing::Test::HasFatalFailure()) {
      ADD_FAILURE() << (avx ? "with" : "without") << " AVX lanes";
      return;
    }
  }
}

TEST(FilterLanes, EveryRowInBothVersionsMatchesTheModule) {
  const auto calls = Calls(700);
  const int length = Total(calls);
  // Twelve voices per combination (a group of eight, one of four), of both
  // types and every bass boost; every index 0..39 reaches every row.
  InBothEightLaneForms([&] {
    for (int tap = 0; tap <= 4; ++tap)
      for (int q = 0; q <= 3; ++q)
        for (int emulate = 0; emulate <= 1; ++emulate)
          for (int version = 0; version <= 1; ++version) {
            std::vector<VoicePlan> plans;
            for (int v = 0; v < 12; ++v)
              plans.push_back(
                  Plan(v + 5 * tap, length, Choices(tap, q, emulate, version, v % 2, v % 5)));
            ExpectSameAsModules(plans, calls, "row");
            if (HasFatalFailure()) {
              ADD_FAILURE() << "tap " << tap << " q " << q << " emulate " << emulate << " version "
                            << version;
              return;
            }
          }
  });
}

TEST(FilterLanes, GroupsOfEverySizeMatchTheModule) {
  const auto calls = Calls(300);
  const int length = Total(calls);
  InBothEightLaneForms([&] {
    for (int voices = 1; voices <= 9; ++voices)
      for (int version = 0; version <= 1; ++version) {
        std::vector<VoicePlan> plans;
        for (int v = 0; v < voices; ++v)
          plans.push_back(Plan(v, length, Choices(2, 2, v % 2, version, 0, 2)));
        ExpectSameAsModules(plans, calls, "group");
      }
  });
}

// Voices side by side in different states, in the two routines the synth
// uses most and one Analog five-stage row.
TEST(FilterLanes, VoicesInDifferentStatesKeepToTheirOwnLanes) {
  const auto calls = Calls(2000);
  const int length = Total(calls);
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  InBothEightLaneForms([&] {
    for (int version = 0; version <= 1; ++version)
      for (const int emulate : {0, 1}) {
        const auto c = Choices(3, 3, emulate, version, 0, 2);
        std::vector<VoicePlan> plans;
        for (int v = 0; v < 8; ++v)
          plans.push_back(Plan(v, length, c));
        // Sleeping from the start, woken for a while later.
        plans[0].streaming = false;
        plans[0].changes = {{40, kSignal, 1}, {90, kSignal, 0}, {120, kSignal, 1}};
        // Resonating: an impulse into a high resonance.
        std::fill(plans[1].signal.begin(), plans[1].signal.end(), 0.0f);
        plans[1].signal[3] = 0.9f;
        std::fill(plans[1].resonance.begin(), plans[1].resonance.end(), 1.2f);
        std::fill(plans[1].pitch.begin(), plans[1].pitch.end(), 0.55f);
        // Non-finite inputs, each at a call's start and inside one.
        plans[2].signal[100] = kNaN;
        plans[2].signal[400] = kInf;
        plans[2].signal[777] = -kInf;
        plans[2].pitch[1200] = kNaN;
        plans[2].resonance[1500] = kInf;
        // Hot: ducking starts and restarts.
        for (int i = 0; i < length; ++i)
          plans[3].signal[static_cast<size_t>(i)] *= 400.0f;
        // Restarts of its own: a topology change there and back, a type
        // and a version change that keep the ladder, a bass boost change.
        plans[4].changes = {
            {10, kQTap, 2}, {25, kQTap, 3},      {30, kType, 1}, {50, kVersion, 1 - version},
            {60, kBass, 3}, {70, kFilterTap, 4}, {71, kQTap, 0}};
        // Extreme values that the module holds: huge signal, pitch and zing.
        plans[5].signal[500] = 3e9f;
        plans[5].pitch[600] = -2000.0f;
        plans[5].zing[0] = 1e9f;
        ExpectSameAsModules(plans, calls, "states");
        if (HasFatalFailure())
          return;
        // What a non-finite input empties is its own ladder only.
        const auto out = RunVoices(plans, calls);
        for (size_t v = 0; v < out.size(); ++v) {
          if (v == 2)
            continue;
          for (float y : out[v])
            ASSERT_TRUE(std::isfinite(y)) << "voice " << v;
        }
        EXPECT_TRUE(std::isfinite(out[2].back()));
      }
  });
}

} // namespace
