// Cost per sample per voice of filter voices, one by one (each voice its
// module's routine, ProcessFilterVoice) against four at a time in lanes
// (ProcessFilterVoices), for 1, 4, 8 and 32 voices of one routine. Each voice
// plays its own saw through its own slow cutoff sweep, in calls of `frames`
// samples (32: the synth's stretch). The baseline is the module's two-stage
// Digital routine (1, Clear) on one voice, in the same run: the simplest
// ladder of the table, the unit the goals are stated in.
#include "ladder_filter/filter_voice.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr float kRate = 44100.0f;
constexpr int kLength = 4096; // samples of input per voice, played in a loop

struct Voices {
  std::vector<ladder::FilterVoice> voices;
  std::vector<ladder::FilterVoice *> ptrs;
  std::vector<std::vector<float>> signal, pitch, out;
  std::vector<float> resonance, zing;
  std::vector<ladder::FilterBuffers> buffers;

  Voices(int count, int routine, int version)
      : voices(static_cast<size_t>(count)), signal(voices.size()), pitch(voices.size()),
        out(voices.size()), resonance(kLength, 0.6f), zing(kLength, 1.0f), buffers(voices.size()) {
    for (int v = 0; v < count; ++v) {
      ladder::FilterVoice &f = voices[static_cast<size_t>(v)];
      f.choices.filterTap = static_cast<int16_t>(routine / 8);
      f.choices.qTap = static_cast<int16_t>(routine % 8 / 2);
      f.choices.emulate = static_cast<int16_t>(routine % 2);
      f.choices.version = static_cast<int16_t>(version);
      f.Open(kRate);
      f.PinsChanged(true, kRate);
      ptrs.push_back(&f);
      double phase = 0.0;
      const double hz = 110.0 * (1.0 + 0.07 * v);
      for (int i = 0; i < kLength; ++i) {
        signal[static_cast<size_t>(v)].push_back(static_cast<float>(0.8 * (2.0 * phase - 1.0)));
        phase += hz / kRate;
        phase -= std::floor(phase);
        pitch[static_cast<size_t>(v)].push_back(0.5f +
                                                0.3f * static_cast<float>(std::sin(i * 2e-3 + v)));
      }
      out[static_cast<size_t>(v)].resize(kLength);
    }
  }

  // The buffers of every voice for the call at `pos`.
  void At(int pos) {
    for (size_t v = 0; v < voices.size(); ++v)
      buffers[v] = {signal[v].data() + pos, pitch[v].data() + pos, resonance.data() + pos,
                    zing.data() + pos, out[v].data() + pos};
  }
};

void Report(benchmark::State &state, int voices, int frames) {
  state.counters["ns/sample/voice"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * frames * voices,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// args: routine, version, voices, frames, lanes (0: one by one, 1: in lanes,
// 2: in lanes with SSE2 alone, as on a processor without AVX)
void BM_FilterVoices(benchmark::State &state) {
  const int routine = static_cast<int>(state.range(0));
  const int version = static_cast<int>(state.range(1));
  const int count = static_cast<int>(state.range(2));
  const int frames = static_cast<int>(state.range(3));
  const bool lanes = state.range(4) != 0;
  Voices v(count, routine, version);
  ladder::AllowAvxLanes(state.range(4) != 2);
  int pos = 0;
  for (auto _ : state) {
    v.At(pos);
    if (lanes) {
      ladder::ProcessFilterVoices(v.ptrs.data(), v.buffers.data(), count, frames);
    } else {
      for (int i = 0; i < count; ++i)
        ladder::ProcessFilterVoice(*v.ptrs[static_cast<size_t>(i)],
                                   v.buffers[static_cast<size_t>(i)], frames);
    }
    pos = pos + 2 * frames <= kLength ? pos + frames : 0;
    benchmark::ClobberMemory();
  }
  ladder::AllowAvxLanes(true);
  Report(state, count, frames);
}

void Arguments(benchmark::internal::Benchmark *b) {
  b->ArgNames({"routine", "version", "voices", "frames", "lanes"});
  b->Args({1, 0, 1, 32, 0}); // the baseline
  b->Args({1, 0, 1, 256, 0});
  // Four-stage Digital, five-stage Digital (the default), five-stage Analog.
  for (int routine : {21, 31, 30})
    for (int version : {0, 1})
      for (int voices : {1, 4, 8, 32})
        for (int lanes : {0, 1, 2})
          if (lanes < 2 || voices == 4)
            b->Args({routine, version, voices, 32, lanes});
  for (int routine : {21, 31, 30})
    for (int version : {0, 1})
      for (int voices : {4, 8})
        for (int lanes : {0, 1})
          b->Args({routine, version, voices, 256, lanes});
}

} // namespace

BENCHMARK(BM_FilterVoices)->Apply(Arguments);
