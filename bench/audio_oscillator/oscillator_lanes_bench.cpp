// Cost per sample per voice of oscillator voices, one by one (each voice its
// module's routine, ProcessOscillatorVoice) against four at a time in lanes
// (ProcessOscillatorVoices: where lanes pay, or every read in lanes), for 1,
// 4, 8 and 32 voices of one waveform:
// block pitch (processLow) with a static width (the fixed-point read) or a
// streaming one (the floating-point read), and sample pitch (processHigh, a
// pitch that moves every sample), in calls of `frames`.
#include "audio_oscillator/oscillator_voice.h"
#include "audio_oscillator/pins.h"
#include "module_runner.h"
#include "module_table.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr float kRate = 44100.0f;
constexpr int kLength = 4096;

intptr_t Link() {
  static se_runtime::ModuleRunner generator;
  static intptr_t link = [] {
    const se::PluginEntry *entry = se_runtime::StaticModules().Find("wavetable_generator");
    if (entry == nullptr || !generator.Create(*entry, kRate, 1))
      return intptr_t{0};
    generator.Open();
    return generator.OutputValue(generator.PinIndex(osc::kPins[osc::kLink].name));
  }();
  return link;
}

struct Voices {
  std::vector<osc::OscillatorVoice> voices;
  std::vector<osc::OscillatorVoice *> ptrs;
  std::vector<std::vector<float>> pitch, out, scratch;
  std::vector<float> zero, width, limit;
  std::vector<osc::OscillatorBuffers> buffers;

  enum Read { kBlockPitch = 0, kSamplePitch = 1, kBlockPitchStreamingWidth = 2 };

  Voices(int count, int read, uint16_t waveform)
      : voices(static_cast<size_t>(count)), pitch(voices.size()), out(voices.size()),
        scratch(voices.size()), zero(kLength, 0.0f), width(kLength, 0.3f), limit(kLength, 2205.0f),
        buffers(voices.size()) {
    for (int i = 0; i < kLength; ++i)
      width[static_cast<size_t>(i)] = 0.3f + 0.1f * std::sin(static_cast<float>(i) * 0.01f);
    for (size_t v = 0; v < voices.size(); ++v) {
      for (int i = 0; i < kLength; ++i)
        pitch[v].push_back(
            0.3f + 0.02f * static_cast<float>(v) +
            (read == kSamplePitch ? 0.2f * std::sin(static_cast<float>(i) * 0.001f) : 0.0f));
      out[v].resize(kLength);
      scratch[v].resize(kLength);
      osc::OscillatorVoice &o = voices[v];
      o.choices.waveform = waveform;
      o.choices.active = 1;
      o.Open(kRate, kLength, true);
      o.choices.link = Link();
      const osc::PinSamples now{pitch[v][0], 0.0f, 0.0f, limit[0]};
      for (int pin : {osc::kPitch, osc::kPitchAdjust, osc::kPhasePw, osc::kFreqLimit,
                      osc::kHarmonics, osc::kWaveform, osc::kActive, osc::kLink})
        o.PinChanged(pin,
                     (pin == osc::kPitch && read == kSamplePitch) ||
                         (pin == osc::kPhasePw && read == kBlockPitchStreamingWidth),
                     now);
      ptrs.push_back(&o);
    }
  }

  void At(int pos) {
    for (size_t v = 0; v < voices.size(); ++v)
      buffers[v] = {pitch[v].data() + pos, zero.data() + pos, pitch[v].data() + pos,
                    width.data() + pos,    zero.data() + pos, out[v].data() + pos,
                    limit.data() + pos,    scratch[v].data()};
  }
};

// args: read (Voices::Read), voices, frames, lanes (0: one by one, 1: in lanes
// where they pay, 2: every read in lanes), waveform, wide (0: SSE2 lanes
// only, 1: AVX2 where the processor has it)
void BM_OscillatorVoices(benchmark::State &state) {
  const int read = static_cast<int>(state.range(0));
  const int count = static_cast<int>(state.range(1));
  const int frames = static_cast<int>(state.range(2));
  const int lanes = static_cast<int>(state.range(3));
  const bool wide = state.range(5) != 0;
  Voices v(count, read, static_cast<uint16_t>(state.range(4)));
  osc::AllowAvx2Lanes(wide);
  int pos = 0;
  for (auto _ : state) {
    v.At(pos);
    if (lanes != 0) {
      osc::ProcessOscillatorVoices(v.ptrs.data(), v.buffers.data(), count, 0, frames, kLength,
                                   lanes == 1 ? osc::LaneUse::kWherePaying : osc::LaneUse::kAlways);
    } else {
      for (int i = 0; i < count; ++i)
        osc::ProcessOscillatorVoice(*v.ptrs[static_cast<size_t>(i)],
                                    v.buffers[static_cast<size_t>(i)], 0, frames, kLength);
    }
    pos = pos + 2 * frames <= kLength ? pos + frames : 0;
    benchmark::ClobberMemory();
  }
  osc::AllowAvx2Lanes(true);
  state.counters["ns/sample/voice"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * frames * count,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Arguments(benchmark::internal::Benchmark *b) {
  b->ArgNames({"read", "voices", "frames", "lanes", "wave", "wide"});
  for (int read : {0, 2, 1})
    for (int wave : {1, 11}) // Saw and its pulse form
      for (int frames : {32, 256})
        for (int voices : {1, 4, 8, 32})
          for (int lanes : {0, 1, 2})
            for (int wide : {1, 0})
              if (wide == 1 || (read == 1 && lanes != 0))
                b->Args({read, voices, frames, lanes, wave, wide});
}

} // namespace

BENCHMARK(BM_OscillatorVoices)->Apply(Arguments);
