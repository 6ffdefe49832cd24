// The lanes voice bank against the runner voice bank: driven alike (notes
// started, every shared pin and voice input changed, voices run in changing
// groups and orders, stretches of 1 to 32 frames), every voice's output is
// the same, bit for bit, over oscillator waveforms, sync, noise and every
// ladder family.
#include "lanes_voice_bank.h"
#include "runner_voice_bank.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct Lcg {
  uint32_t s;
  uint32_t Next() { return s = s * 1664525u + 1013904223u; }
  float Unit() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); } // [0, 1)
  int Below(int n) { return static_cast<int>(Next() >> 8) % n; }
};

// Draws new shared pins: waveforms (Noise too), filter choices, zing, sync.
synth::SharedPins DrawShared(Lcg &rng) {
  synth::SharedPins s;
  const int16_t waves[] = {0, 1, 5, 10, 11, 16, 20, 255};
  s.osc1Waveform = waves[rng.Below(8)];
  s.osc2Waveform = waves[rng.Below(8)];
  s.freqLimit = 100.0f + 2000.0f * rng.Unit();
  s.filterType = static_cast<int16_t>(rng.Below(2));
  s.filterTap = static_cast<int16_t>(rng.Below(5));
  s.qTap = static_cast<int16_t>(rng.Below(4));
  s.emulate = static_cast<int16_t>(rng.Below(2));
  s.version = static_cast<int16_t>(rng.Below(2));
  s.bassBoost = static_cast<int16_t>(rng.Below(4));
  s.zing = 0.5f + rng.Unit();
  s.sync = rng.Below(2) == 0;
  return s;
}

void DrawInputs(Lcg &rng, synth::VoiceInputs &in, int32_t frames) {
  if (rng.Below(3) == 0)
    in.osc1Pitch = 0.2f + 0.6f * rng.Unit();
  if (rng.Below(3) == 0)
    in.osc2Pitch = 0.2f + 0.6f * rng.Unit();
  if (rng.Below(4) == 0)
    in.osc1Width = rng.Unit();
  if (rng.Below(4) == 0)
    in.osc2Width = rng.Unit();
  if (rng.Below(5) == 0) {
    in.osc1Level = rng.Below(4) == 0 ? 0.0f : rng.Unit();
    in.osc2Level = rng.Below(3) == 0 ? 0.0f : rng.Unit();
    in.noiseLevel = rng.Below(2) == 0 ? 0.0f : 0.2f * rng.Unit();
  }
  if (rng.Below(4) == 0)
    in.resonance = 1.2f * rng.Unit();
  // The cutoff holds, steps or sweeps over the stretch.
  const float from = 0.2f + 0.7f * rng.Unit(), slope = 0.01f * (rng.Unit() - 0.5f);
  const bool sweep = rng.Below(2) == 0;
  for (int32_t k = 0; k < frames; ++k)
    in.cutoff[k] = sweep ? from + slope * static_cast<float>(k) : from;
}

TEST(LanesVoiceBank, EveryVoiceHasTheRunnerBanksSamples) {
  constexpr int kSlots = 13;
  constexpr float kRate = 48000.0f;
  Lcg rng{2024};
  synth::SharedPins shared = DrawShared(rng);
  auto runner = synth::RunnerVoiceBank::Create(kSlots, kRate, shared);
  auto lanes = synth::LanesVoiceBank::Create(kSlots, kRate, shared);
  ASSERT_TRUE(runner && lanes);
  synth::VoiceBank *banks[] = {runner.get(), lanes.get()};
  int sounding = 0;
  for (int stretch = 0; stretch < 1500; ++stretch) {
    if (stretch % 150 == 0) {
      shared = DrawShared(rng);
      for (synth::VoiceBank *b : banks)
        b->SetShared(shared);
    }
    const int32_t frames = rng.Below(4) == 0 ? 1 + rng.Below(32) : synth::kStretch;
    // A changing set of voices, in changing order, some of them starting.
    std::vector<int> slots;
    for (int s = 0; s < kSlots; ++s)
      if (rng.Below(5) != 0)
        slots.push_back(s);
    for (size_t i = slots.size(); i > 1; --i)
      std::swap(slots[i - 1], slots[static_cast<size_t>(rng.Below(static_cast<int>(i)))]);
    for (int slot : slots) {
      const bool start = rng.Below(40) == 0;
      synth::VoiceInputs in = runner->Inputs(slot);
      DrawInputs(rng, in, frames);
      for (synth::VoiceBank *b : banks) {
        if (start)
          b->Start(slot);
        b->Inputs(slot) = in;
      }
    }
    for (synth::VoiceBank *b : banks)
      b->Run(slots.data(), static_cast<int>(slots.size()), frames);
    for (int slot : slots) {
      const float *want = runner->Output(slot);
      const float *got = lanes->Output(slot);
      for (int32_t k = 0; k < frames; ++k) {
        ASSERT_EQ(std::bit_cast<uint32_t>(got[k]), std::bit_cast<uint32_t>(want[k]))
            << "stretch " << stretch << " slot " << slot << " frame " << k << ": " << got[k]
            << " against " << want[k];
        sounding += want[k] != 0.0f ? 1 : 0;
      }
    }
  }
  EXPECT_GT(sounding, 100000);
}

} // namespace
