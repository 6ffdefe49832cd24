// Running oscillator voices: each call's setup per voice, as the voice's
// routine makes it (table, step, phase, how the table is read), then the
// reads of voices that read the same way four at a time in lanes.
#include "audio_oscillator/oscillator_voice.h"

#include "audio_oscillator/pins.h"
#include "cpu_features.h"
#if defined(SE_AVX2_LANES)
#include "high_reads_avx2.h"
#endif
#include "read_kernels.h"
#include "read_lanes.h"
#include "step_fill.h"
#include "unmade.h"
#include "voice_routines.h"
#include "waveforms.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <type_traits>

namespace osc {

namespace {

std::atomic<bool> g_avx2Allowed{true};

// Whether processHigh's fill and reads run in AVX2 registers: where the build
// has them (SE_AVX2_LANES) and the processor too.
bool WideHighReads() {
#if defined(SE_AVX2_LANES)
  return se_lanes::CpuHasAvx2() && g_avx2Allowed.load(std::memory_order_relaxed);
#else
  return false;
#endif
}

// How a call reads its table after the routine's setup.
enum class Read : uint8_t {
  kDone,        // written by the setup (noise, no table) or by a routine of its own
  kFixedPlain,  // processLow, static width
  kFixedPulse,  //   the pulse forms
  kModPlain,    // processLow, streaming width
  kModPulse,    //   the pulse forms
  kHighPulse,   // processHigh, the pulse forms
  kHighMod,     // processHigh, streaming width
  kHighShifted, // processHigh, static width
};

// Plan() tells the high reads' two pitch scales apart by this offset.
constexpr int kPlanLinear = 8;
static_assert(static_cast<int>(Read::kHighShifted) < kPlanLinear);
constexpr int kPlans = 2 * kPlanLinear;

// One voice's call as its routine sets it up.
struct Setup {
  Read read = Read::kDone;
  bool linear = false; // processHigh: the steps' pitch scale
  const float *table = nullptr;
  uint32_t a = 0, b = 0, step = 0, width = 0;  // the fixed-point reads
  double x = 0.0, constantStep = 0.0, w = 0.0; // the floating-point reads
};

bool Pulse(const OscillatorVoice &v) { return wavetable::IsPulseWaveform(v.choices.waveform); }

// The read of a voice whose routine finds a table: by routine, waveform and
// whether the width streams.
Read TableRead(const OscillatorVoice &v) {
  const bool pulse = Pulse(v), streaming = v.phasePwStreaming;
  switch (v.installed) {
  case OscillatorRoutine::kLow:
    return pulse ? (streaming ? Read::kModPulse : Read::kFixedPulse)
                 : (streaming ? Read::kModPlain : Read::kFixedPlain);
  case OscillatorRoutine::kHigh:
    return pulse ? Read::kHighPulse : streaming ? Read::kHighMod : Read::kHighShifted;
  default: return Read::kDone;
  }
}

// RunLow (process_read.cpp) up to its read.
Setup BeginLow(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count) {
  Setup s;
  s.table = BeginTableCall(v, b, first, count);
  if (s.table == nullptr)
    return s;
  double step = v.staticStep;
  if (v.pitchStreaming || v.adjustStreaming) {
    const float f = b.pitch[first] + b.pitchAdjust[first];
    step = v.choices.pitchMode != kPitchOct ? static_cast<double>(f) * v.linearScale
                                            : OctStep<OctRounding::Nearest>(*v.pitchTables, f);
  }
  step = FoldCycles(step);
  const bool pulse = Pulse(v);
  if (v.phasePwStreaming) {
    s.read = TableRead(v);
    s.x = pulse ? v.phase * kCyclePoints : v.phase;
    s.constantStep = pulse ? step * kCyclePoints : step;
    return s;
  }
  s.step = ToFixed(step);
  const uint32_t p = ToFixed(v.phase);
  s.width = ToFixed(SafeWidth(b.phasePw[first]));
  s.read = TableRead(v);
  s.a = p + s.width;
  s.b = p;
  return s;
}

// RunHigh up to its step fill.
Setup BeginHigh(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count) {
  Setup s;
  s.table = BeginTableCall(v, b, first, count);
  if (s.table == nullptr)
    return s;
  if (b.stepScratch == nullptr) {
    std::fill_n(b.out + first, count, 0.0f);
    return s;
  }
  s.linear = v.choices.pitchMode != kPitchOct;
  s.read = TableRead(v);
  if (s.read == Read::kHighPulse) {
    s.x = v.phase * kCyclePoints;
  } else if (s.read == Read::kHighMod) {
    s.x = v.phase;
  } else {
    s.w = SafeWidth(b.phasePw[first]);
    s.x = v.phase + s.w;
  }
  return s;
}

Setup Begin(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count) {
  switch (v.installed) {
  case OscillatorRoutine::kLow: return BeginLow(v, b, first, count);
  case OscillatorRoutine::kHigh: return BeginHigh(v, b, first, count);
  default: return {};
  }
}

// The read a voice's setup will choose, told from its state alone (without
// the setup's side effects), with the high reads' pitch scale: voices of the
// same plan can share lanes. Only a guess where the call finds no table; the
// setup decides.
int Plan(const OscillatorVoice &v) {
  if (v.tableSet == nullptr || v.choices.waveform == wavetable::kNoiseWaveform)
    return static_cast<int>(Read::kDone);
  const Read read = TableRead(v);
  const bool linear = read >= Read::kHighPulse && v.choices.pitchMode != kPitchOct;
  return static_cast<int>(read) + (linear ? kPlanLinear : 0);
}

bool SameRead(const Setup &a, const Setup &b) {
  return a.read == b.read && (a.read < Read::kHighPulse || a.linear == b.linear);
}

// The reads that run faster four voices to a register than one voice two
// samples to a register (the one-voice routine's pair reads), as measured
// by bench/audio_oscillator/oscillator_lanes_bench: the plain fixed-point
// read, and processHigh's reads where AVX2 gathers the table points. The
// others are bound by reading each voice's table points one voice at a
// time, which SSE2 lanes do not make cheaper.
bool LanesPay(Read read) {
  return read == Read::kFixedPlain || (read >= Read::kHighPulse && WideHighReads());
}

// One voice's read, as its routine runs it.
void ReadOne(OscillatorVoice &v, const OscillatorBuffers &b, const Setup &s, int32_t first,
             int32_t count) {
  float *out = b.out + first;
  const float *width = b.phasePw + first;
  switch (s.read) {
  case Read::kDone: break;
  case Read::kFixedPlain:
    v.phase = FromFixed(ReadPlainFixed(s.table, out, count, s.a, s.step) - s.width);
    break;
  case Read::kFixedPulse:
    v.phase = FromFixed(ReadPulseFixed(s.table, out, count, s.a, s.b, s.step));
    break;
  case Read::kModPlain:
    v.phase = ReadPlainModulated(s.table, out, width, count, s.x, ConstantStep{s.constantStep});
    break;
  case Read::kModPulse:
    v.phase = ReadPulse(s.table, out, width, count, s.x, ConstantStep{s.constantStep});
    break;
  case Read::kHighPulse:
  case Read::kHighMod:
  case Read::kHighShifted: {
    const float *pitch = b.pitch + first;
    const float *adjust = b.pitchAdjust + first;
    const int16_t mode = v.choices.pitchMode;
    const StepArray steps{b.stepScratch};
    if (s.read == Read::kHighPulse) {
      FillSteps<true>(b.stepScratch, pitch, adjust, count, mode, v.linearScale, *v.pitchTables);
      v.phase = ReadPulse(s.table, out, width, count, s.x, steps);
    } else {
      FillSteps<false>(b.stepScratch, pitch, adjust, count, mode, v.linearScale, *v.pitchTables);
      v.phase = s.read == Read::kHighMod
                    ? ReadPlainModulated(s.table, out, width, count, s.x, steps)
                    : ReadPlainShifted(s.table, out, count, s.x, s.w, steps);
    }
    break;
  }
  }
}

// Four voices that read the same way, with their outputs and step buffers
// from the call's first sample.
struct LaneGroup {
  OscillatorVoice *voice[kOscLanes];
  const OscillatorBuffers *io[kOscLanes];
  const Setup *setup[kOscLanes];
  float *out[kOscLanes];
  float *scratch[kOscLanes];
};

#if defined(SE_AVX2_LANES)
// With AVX2 the steps of the four voices four samples at a time; written[l]
// tells how many of voice l's.
void FillStepsWide(const LaneGroup &g, bool pulse, int32_t first, int32_t count, int32_t *written) {
  avx2::StepFill fill[kOscLanes];
  for (int l = 0; l < kOscLanes; ++l) {
    const OscillatorVoice &v = *g.voice[l];
    fill[l] = {g.scratch[l], g.io[l]->pitch + first, g.io[l]->pitchAdjust + first,
               static_cast<double>(v.linearScale) * (pulse ? kStepUnit<true> : kStepUnit<false>),
               v.pitchTables->widePitchStepTable};
  }
  avx2::FillSteps(pulse, g.setup[0]->linear, fill, count, written);
}

// processHigh's reads of a group in AVX2 registers, from the filled steps;
// each lane's phase reduced as the lanes below reduce it.
void ReadHighWide(Read read, const LaneTables &tables, float *const *out, const float *const *width,
                  const StepArrayLanes &steps, int32_t count, F64x4 x, F64x4 w, double *phase) {
  avx2::HighLanes lanes;
  for (int l = 0; l < kOscLanes; ++l) {
    lanes.table[l] = tables.table[l];
    lanes.out[l] = out[l];
    lanes.width[l] = width[l];
    lanes.steps[l] = steps.steps[l];
  }
  double end[kOscLanes];
  x.Store(end);
  const avx2::HighRead how = read == Read::kHighPulse ? avx2::HighRead::kPulse
                             : read == Read::kHighMod ? avx2::HighRead::kModulated
                                                      : avx2::HighRead::kShifted;
  avx2::ReadHigh(how, lanes, count, end);
  const F64x4 after = F64x4::FromScalars(end);
  if (read == Read::kHighPulse)
    Fractions(after / F64x4(double{kCyclePoints}), phase);
  else if (read == Read::kHighMod)
    Fractions(after, phase);
  else
    Fractions(after - w, phase);
}
#endif

// processHigh's reads of a group: each voice's steps filled into its
// scratch buffer first, as its routine fills them (two at a time), then read
// in lanes. Steps made in lanes as the read takes them were slower (8.5
// against 6.4 ns per sample per voice for four saws in calls of 32).
void ReadHighLanes(const LaneGroup &g, const LaneTables &tables, float *const *out,
                   const float *const *width, int32_t first, int32_t count, F64x4 x, F64x4 w,
                   double *phase) {
  const Read read = g.setup[0]->read;
  const bool pulse = read == Read::kHighPulse;
  // With AVX2 four samples of the four voices at a time, and the rest (or
  // all of a voice, when one of its steps needs the fold) as each voice's
  // routine fills them.
  int32_t written[kOscLanes] = {};
#if defined(SE_AVX2_LANES)
  const bool wide = WideHighReads();
  if (wide)
    FillStepsWide(g, pulse, first, count, written);
#endif
  StepArrayLanes steps;
  for (int l = 0; l < kOscLanes; ++l) {
    steps.steps[l] = g.scratch[l];
    const int32_t j = written[l];
    if (j == count)
      continue;
    const OscillatorVoice &v = *g.voice[l];
    float *filled = g.scratch[l] + j;
    const float *pitch = g.io[l]->pitch + first + j;
    const float *adjust = g.io[l]->pitchAdjust + first + j;
    const int16_t mode = v.choices.pitchMode;
    if (pulse)
      FillSteps<true>(filled, pitch, adjust, count - j, mode, v.linearScale, *v.pitchTables);
    else
      FillSteps<false>(filled, pitch, adjust, count - j, mode, v.linearScale, *v.pitchTables);
  }
#if defined(SE_AVX2_LANES)
  if (wide) {
    ReadHighWide(read, tables, out, width, steps, count, x, w, phase);
    return;
  }
#endif
  if (read == Read::kHighPulse)
    ReadPulseLanes(tables, out, width, count, x, steps, phase);
  else if (read == Read::kHighMod)
    ReadPlainModulatedLanes(tables, out, width, count, x, steps, phase);
  else
    ReadPlainShiftedLanes(tables, out, count, x, w, steps, phase);
}

// The reads of a group. Lanes from `voiceCount` on repeat lane 0 into
// outputs of their own; only the real voices' phases are kept.
void ReadLanes(const LaneGroup &g, int voiceCount, int32_t first, int32_t count) {
  LaneTables tables;
  float *const *out = g.out;
  const float *width[kOscLanes];
  uint32_t a[kOscLanes], b[kOscLanes], step[kOscLanes];
  double x[kOscLanes], constantStep[kOscLanes], w[kOscLanes];
  for (int l = 0; l < kOscLanes; ++l) {
    const Setup &s = *g.setup[l];
    tables.table[l] = s.table;
    width[l] = g.io[l]->phasePw + first;
    a[l] = s.a;
    b[l] = s.b;
    step[l] = s.step;
    x[l] = s.x;
    constantStep[l] = s.constantStep;
    w[l] = s.w;
  }
  double phase[kOscLanes] = {};
  uint32_t end[kOscLanes];
  const Read read = g.setup[0]->read;
  switch (read) {
  case Read::kFixedPlain:
    ReadPlainFixedLanes(tables, out, count, U32x4::FromScalars(a), U32x4::FromScalars(step))
        .Store(end);
    for (int l = 0; l < kOscLanes; ++l)
      phase[l] = FromFixed(end[l] - g.setup[l]->width);
    break;
  case Read::kFixedPulse:
    ReadPulseFixedLanes(tables, out, count, U32x4::FromScalars(a), U32x4::FromScalars(b),
                        U32x4::FromScalars(step))
        .Store(end);
    for (int l = 0; l < kOscLanes; ++l)
      phase[l] = FromFixed(end[l]);
    break;
  case Read::kModPlain:
    ReadPlainModulatedLanes(tables, out, width, count, F64x4::FromScalars(x),
                            ConstantStepLanes{F64x4::FromScalars(constantStep)}, phase);
    break;
  case Read::kModPulse:
    ReadPulseLanes(tables, out, width, count, F64x4::FromScalars(x),
                   ConstantStepLanes{F64x4::FromScalars(constantStep)}, phase);
    break;
  case Read::kHighPulse:
  case Read::kHighMod:
  case Read::kHighShifted:
    ReadHighLanes(g, tables, out, width, first, count, F64x4::FromScalars(x), F64x4::FromScalars(w),
                  phase);
    break;
  case Read::kDone: return;
  }
  for (int l = 0; l < voiceCount; ++l)
    g.voice[l]->phase = phase[l];
}

// The longest call a group of fewer than four voices runs in lanes: its
// missing lanes write into spare buffers of this length.
constexpr int32_t kSpareLength = 256;

// Two or three voices: the missing lanes repeat voice 0 into spare outputs
// and spare step buffers.
void ReadPartialGroup(LaneGroup g, int voiceCount, int32_t first, int32_t count) {
  float spareOut[kOscLanes - 1][kSpareLength], spareSteps[kOscLanes - 1][kSpareLength];
  for (int l = voiceCount; l < kOscLanes; ++l) {
    g.voice[l] = g.voice[0];
    g.io[l] = g.io[0];
    g.setup[l] = g.setup[0];
    g.out[l] = spareOut[l - 1];
    g.scratch[l] = spareSteps[l - 1];
  }
  ReadLanes(g, voiceCount, first, count);
}

} // namespace

void AllowAvx2Lanes(bool allowed) { g_avx2Allowed.store(allowed, std::memory_order_relaxed); }

void ProcessOscillatorVoices(OscillatorVoice *const *voices, const OscillatorBuffers *buffers,
                             int voiceCount, int32_t first, int32_t count, int32_t currentBlockSize,
                             LaneUse use) {
  constexpr int kBatch = 64;
  static_assert(std::is_trivially_destructible_v<Setup>);
  Unmade<Setup, kBatch> made; // each voice's written before it is read
  Setup *setups = made.at;
  for (int start = 0; start < voiceCount; start += kBatch) {
    const int n = std::min(kBatch, voiceCount - start);
    OscillatorVoice *const *v = voices + start;
    const OscillatorBuffers *b = buffers + start;
    // Where lanes run only the reads that pay, a voice that no other voice
    // can join runs its routine as the module does.
    int plan[kBatch], sharing[kPlans] = {};
    for (int i = 0; i < n; ++i)
      ++sharing[plan[i] = Plan(*v[i])];
    uint64_t done = 0;
    for (int i = 0; i < n; ++i) {
      const OscillatorRoutine r = v[i]->installed;
      const bool alone =
          use == LaneUse::kWherePaying &&
          (sharing[plan[i]] < 2 || !LanesPay(static_cast<Read>(plan[i] % kPlanLinear)));
      if (!alone && (r == OscillatorRoutine::kLow || r == OscillatorRoutine::kHigh)) {
        setups[i] = Begin(*v[i], b[i], first, count);
      } else {
        ProcessOscillatorVoice(*v[i], b[i], first, count, currentBlockSize);
        setups[i] = {};
      }
      if (setups[i].read == Read::kDone) {
        done |= uint64_t{1} << i;
      } else if (use == LaneUse::kWherePaying && !LanesPay(setups[i].read)) {
        ReadOne(*v[i], b[i], setups[i], first, count);
        done |= uint64_t{1} << i;
      }
    }
    for (int i = 0; i < n; ++i) {
      if ((done >> i & 1) != 0)
        continue;
      LaneGroup g; // lanes from `members` on are filled below, where they are read
      int members = 0;
      for (int j = i; j < n && members < kOscLanes; ++j)
        if ((done >> j & 1) == 0 && SameRead(setups[i], setups[j])) {
          g.voice[members] = v[j];
          g.io[members] = &b[j];
          g.setup[members] = &setups[j];
          g.out[members] = b[j].out + first;
          g.scratch[members++] = b[j].stepScratch;
          done |= uint64_t{1} << j;
        }
      if (members == kOscLanes)
        ReadLanes(g, members, first, count);
      else if (members > 1 && count <= kSpareLength)
        ReadPartialGroup(g, members, first, count);
      else
        for (int l = 0; l < members; ++l)
          ReadOne(*g.voice[l], *g.io[l], *g.setup[l], first, count);
    }
  }
}

} // namespace osc
