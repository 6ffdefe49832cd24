#include "synth/engine.h"

#include "envelope.h"
#include "lanes_voice_bank.h"
#include "lfo.h"
#include "portable_sine.h"
#include "units.h"
#include "voice_allocator.h"
#include "voice_bank.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace synth {

namespace {

// The level of one voice before the master volume: eight notes of the loudest
// waveform struck together stay below full scale at the default volume.
constexpr double kVoiceGain = 1.0;
// A stolen voice fades out over this time (a raised cosine).
constexpr double kFadeMs = 5.0;
// A new sustain level is reached in this time.
constexpr double kSustainMoveMs = 5.0;
// Notes this far from middle C lie at the edges of the stereo field at full width.
constexpr double kSpreadSemitones = 30.0;
constexpr double kMiddleC = 60.0;

// What the controls make of a voice, worked out once per change of a control.
struct Derived {
  Envelope::Shape amp, filter;
  double osc2Offset = 0.0; // volts
  float osc1Level = 1.0f, osc2Level = 0.0f, noiseLevel = 0.0f;
  double width1 = 0.5, width2 = 0.5;
  double cutoff = 0.0; // volts
  float resonance = 0.0f;
  double envAmount = 0.0, keyTrack = 0.0, velToCutoff = 0.0, pressureToCutoff = 0.0;
  double velocitySensitivity = 0.0;
  double lfoPitch = 0.0, lfoCutoff = 0.0, lfoWidth = 0.0, lfoWheel = 1.0; // volts, volts, cycles
  int64_t glide = 0;                                                      // frames
  double bendRange = 2.0;                                                 // semitones
  double spread = 0.5;
  double master = 1.0;
  int32_t fade = 1; // frames
};

// One voice as the engine sees it (its modules live in the bank).
struct VoiceState {
  bool active = false;
  Envelope amp, filter;
  int note = 60;
  double velocity = 1.0; // 0 ... 1
  double velocityGain = 1.0;
  // A new velocity on a sounding voice: the gain moves from gainFrom over a fade's time.
  double gainFrom = 1.0;
  int32_t gainDone = 0;
  double velocityCutoff = 0.0; // volts
  // The pitch glides from `from` to `to` over `glideFrames`.
  double from = 0.0, to = 0.0;
  int64_t glideFrames = 0, glideDone = 0;
  float panLeft = 1.0f, panRight = 1.0f;
  bool fading = false;
  int32_t fadeDone = 0;

  double Pitch() const {
    if (glideDone >= glideFrames)
      return to;
    return from + (to - from) * (static_cast<double>(glideDone) / static_cast<double>(glideFrames));
  }
};

float Clamp01(double v) { return static_cast<float>(v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v)); }

bool Finite(float v) { return v - v == 0.0f; }

} // namespace

struct Engine::Impl final : VoiceActions {
  float controls[kControlCount] = {};
  bool dirty = true;
  double rate = 48000.0;
  bool active = false;
  std::unique_ptr<VoiceBank> bank;
  SharedPins shared;
  VoiceAllocator allocator{kSlots};
  VoiceState voices[kSlots];
  Lfo lfo;
  Derived d;
  // MIDI controllers.
  double bend = 0.0, wheel = 0.0, pressure = 0.0;
  bool haveLastPitch = false;
  double lastPitch = 0.0; // volts of the note played last, where a glide starts
  int64_t clock = 0;      // frames since activation
  // Per stretch.
  int list[kSlots] = {};
  double envelope[kStretch] = {};

  Impl() {
    for (int c = 0; c < kControlCount; ++c)
      controls[c] = kControls[c].defaultValue;
  }

  void UpdateDerived();
  void SetNote(VoiceState &v, int note, int velocity, bool newVelocity, bool fromLast);
  double CurrentGain(const VoiceState &v) const;
  void Stretch(float *left, float *right, int32_t frames);
  void VoiceInputsFor(int slot, double lfoValue, double wheelScale, int32_t frames);
  void MixVoice(int slot, float *left, float *right, int32_t frames);
  void HandleMidi(const uint8_t *m, uint32_t size);

  // VoiceActions.
  void Begin(int slot, int note, int velocity) override {
    VoiceState &v = voices[slot];
    v.active = true;
    v.fading = false;
    v.fadeDone = 0;
    v.amp.Reset();
    v.filter.Reset();
    v.amp.Configure(d.amp);
    v.filter.Configure(d.filter);
    SetNote(v, note, velocity, true, true);
    v.amp.Trigger();
    v.filter.Trigger();
    bank->Start(slot);
  }
  void Retrigger(int slot, int note, int velocity, bool envelopes) override {
    VoiceState &v = voices[slot];
    SetNote(v, note, velocity, envelopes, false);
    if (envelopes) {
      v.amp.Trigger();
      v.filter.Trigger();
    }
  }
  void Release(int slot) override {
    voices[slot].amp.Release();
    voices[slot].filter.Release();
  }
  void Fade(int slot) override {
    voices[slot].fading = true;
    voices[slot].fadeDone = 0;
  }
  void Cut(int slot) override { voices[slot].active = false; }
};

void Engine::Impl::UpdateDerived() {
  dirty = false;
  const float *c = controls;
  shared.osc1Waveform = static_cast<int16_t>(ChoiceValue(kOsc1Waveform, c[kOsc1Waveform]));
  shared.osc2Waveform = static_cast<int16_t>(ChoiceValue(kOsc2Waveform, c[kOsc2Waveform]));
  shared.freqLimit = static_cast<float>(std::min(22000.0, 0.45 * rate) / 10.0);
  shared.filterType = static_cast<int16_t>(ChoiceValue(kFilterType, c[kFilterType]));
  shared.filterTap = static_cast<int16_t>(ChoiceValue(kFilterTap, c[kFilterTap]));
  shared.qTap = static_cast<int16_t>(ChoiceValue(kQTap, c[kQTap]));
  shared.emulate = static_cast<int16_t>(ChoiceValue(kEmulate, c[kEmulate]));
  shared.version = static_cast<int16_t>(ChoiceValue(kVersion, c[kVersion]));
  shared.bassBoost = static_cast<int16_t>(ChoiceValue(kBassBoost, c[kBassBoost]));
  shared.zing = VoltsToSample(c[kZing]);
  shared.sync = c[kOsc2Sync] >= 0.5f;
  bank->SetShared(shared);

  const int32_t move = static_cast<int32_t>(kSustainMoveMs * rate / 1000.0 + 0.5);
  d.amp = Envelope::MakeShape(
      Envelope::FromMs(c[kAmpAttack], c[kAmpDecay], c[kAmpSustain] / 100.0, c[kAmpRelease], rate),
      move);
  d.filter =
      Envelope::MakeShape(Envelope::FromMs(c[kFilterAttack], c[kFilterDecay],
                                           c[kFilterSustain] / 100.0, c[kFilterRelease], rate),
                          move);
  for (VoiceState &v : voices) {
    v.amp.Configure(d.amp);
    v.filter.Configure(d.filter);
  }
  d.osc2Offset = c[kOsc2Octave] + c[kOsc2Semitones] / 12.0 + CentsToVolts(c[kOsc2Fine]);
  // Equal power between the oscillators: the angle runs a quarter turn.
  const double mix = c[kOscMix] / 100.0;
  d.osc1Level = mix <= 0.0 ? 1.0f : static_cast<float>(se_math::Cos2Pi(mix / 4.0));
  d.osc2Level = mix >= 1.0 ? 1.0f : static_cast<float>(se_math::Sin2Pi(mix / 4.0));
  if (mix >= 1.0)
    d.osc1Level = 0.0f;
  d.noiseLevel = static_cast<float>(c[kNoise] / 100.0);
  d.width1 = c[kOsc1Width] / 100.0;
  d.width2 = c[kOsc2Width] / 100.0;
  d.cutoff = HzToVolts(c[kCutoff]);
  d.resonance = static_cast<float>(c[kResonance] / 100.0);
  d.envAmount = c[kFilterEnvAmount];
  d.keyTrack = c[kKeyTrack] / 100.0;
  d.velToCutoff = c[kVelocityToCutoff];
  d.pressureToCutoff = c[kPressureToCutoff];
  d.velocitySensitivity = c[kAmpVelocity] / 100.0;
  d.lfoPitch = CentsToVolts(c[kLfoPitch]);
  d.lfoCutoff = c[kLfoCutoff];
  d.lfoWidth = c[kLfoWidth] / 100.0;
  d.lfoWheel = c[kLfoWheel] / 100.0;
  d.glide = static_cast<int64_t>(c[kGlide] * rate / 1000.0 + 0.5);
  d.bendRange = c[kBendRange];
  d.spread = c[kWidth] / 100.0;
  d.master = DbToGain(c[kVolume]) * kVoiceGain;
  d.fade = std::max<int32_t>(1, static_cast<int32_t>(kFadeMs * rate / 1000.0 + 0.5));

  lfo.SetShape(static_cast<LfoShape>(ChoiceValue(kLfoShape, c[kLfoShape])));
  lfo.SetRate(c[kLfoRate], rate);
  lfo.SetSync(LfoSyncBeats(ChoiceValue(kLfoSync, c[kLfoSync])));
  allocator.SetPolyphony(static_cast<int>(c[kPolyphony]));
  allocator.SetMode(static_cast<VoiceMode>(ChoiceValue(kVoiceMode, c[kVoiceMode])), *this);
}

// The voice plays `note` from now on: where its pitch glides from, its pan,
// and (when `newVelocity`) what its velocity makes of level and cutoff.
void Engine::Impl::SetNote(VoiceState &v, int note, int velocity, bool newVelocity, bool fromLast) {
  const double target = NoteToVolts(note);
  const double start = fromLast ? (haveLastPitch ? lastPitch : target) : v.Pitch();
  v.note = note;
  v.to = target;
  v.from = d.glide > 0 ? start : target;
  v.glideFrames = d.glide > 0 ? d.glide : 0;
  v.glideDone = 0;
  lastPitch = target;
  haveLastPitch = true;
  if (newVelocity) {
    v.velocity = std::clamp(velocity, 1, 127) / 127.0;
    // (v/127)^(2s): 12 dB per halving of velocity at full sensitivity.
    const double gain = se_math::Exp2(2.0 * d.velocitySensitivity * se_math::Log2(v.velocity));
    v.gainFrom = fromLast ? gain : CurrentGain(v);
    v.gainDone = fromLast ? d.fade : 0;
    v.velocityGain = gain;
    v.velocityCutoff = d.velToCutoff * (v.velocity - 1.0);
  }
  if (fromLast) {
    // Constant power across the field, low notes to the left; one voice
    // (Mono, Legato) stays in the middle.
    const double spread = allocator.Mode() == VoiceMode::kPoly ? d.spread : 0.0;
    const double pan = std::clamp(spread * (note - kMiddleC) / kSpreadSemitones, -1.0, 1.0);
    v.panLeft = static_cast<float>(se_math::Cos2Pi((pan + 1.0) / 8.0));
    v.panRight = static_cast<float>(se_math::Sin2Pi((pan + 1.0) / 8.0));
  }
}

double Engine::Impl::CurrentGain(const VoiceState &v) const {
  if (v.gainDone >= d.fade)
    return v.velocityGain;
  return v.gainFrom + (v.velocityGain - v.gainFrom) * (static_cast<double>(v.gainDone) / d.fade);
}

void Engine::Impl::VoiceInputsFor(int slot, double lfoValue, double wheelScale, int32_t frames) {
  VoiceState &v = voices[slot];
  VoiceInputs &in = bank->Inputs(slot);
  const double lfo = lfoValue * wheelScale;
  const double pitch = v.Pitch();
  v.glideDone = std::min(v.glideDone + frames, v.glideFrames);
  const double played = pitch + bend * d.bendRange / 12.0 + lfo * d.lfoPitch;
  in.osc1Pitch = VoltsToSample(played);
  in.osc2Pitch = VoltsToSample(played + d.osc2Offset);
  in.osc1Width = Clamp01(d.width1 + lfo * d.lfoWidth);
  in.osc2Width = Clamp01(d.width2 + lfo * d.lfoWidth);
  in.osc1Level = d.osc1Level;
  in.osc2Level = d.osc2Level;
  in.noiseLevel = d.noiseLevel;
  in.resonance = d.resonance;
  const double base = d.cutoff + d.keyTrack * (pitch - NoteToVolts(kMiddleC)) + v.velocityCutoff +
                      lfo * d.lfoCutoff + pressure * d.pressureToCutoff;
  if (v.filter.Steady()) { // a held level: one cutoff for the stretch, the same bits
    std::fill(in.cutoff, in.cutoff + frames, VoltsToSample(base + d.envAmount * v.filter.Level()));
    return;
  }
  v.filter.Fill(envelope, frames);
  for (int32_t k = 0; k < frames; ++k)
    in.cutoff[k] = VoltsToSample(base + d.envAmount * envelope[k]);
}

void Engine::Impl::MixVoice(int slot, float *left, float *right, int32_t frames) {
  VoiceState &v = voices[slot];
  const float *out = bank->Output(slot);
  const float l = static_cast<float>(v.panLeft * d.master);
  const float r = static_cast<float>(v.panRight * d.master);
  if (v.amp.Steady() && v.gainDone >= d.fade && !v.fading) {
    // A held level at a settled velocity: one gain for the stretch, the same bits.
    const auto gain = static_cast<float>(v.amp.Level() * v.velocityGain);
    for (int32_t k = 0; k < frames; ++k) {
      const float s = out[k] * gain;
      left[k] += s * l;
      right[k] += s * r;
    }
    return;
  }
  v.amp.Fill(envelope, frames);
  if (v.gainDone < d.fade) { // a new velocity: the gain moves there in a straight line
    for (int32_t k = 0; k < frames; ++k, ++v.gainDone)
      envelope[k] *= CurrentGain(v);
  } else {
    for (int32_t k = 0; k < frames; ++k)
      envelope[k] *= v.velocityGain;
  }
  if (v.fading) { // a raised cosine from 1 to 0 over d.fade frames
    for (int32_t k = 0; k < frames; ++k) {
      const int32_t j = v.fadeDone + k;
      const double f = j >= d.fade ? 0.0 : 0.5 + 0.5 * se_math::Cos2Pi(j / (2.0 * d.fade));
      envelope[k] *= f;
    }
    v.fadeDone += frames;
  }
  for (int32_t k = 0; k < frames; ++k) {
    const float s = out[k] * static_cast<float>(envelope[k]);
    left[k] += s * l;
    right[k] += s * r;
  }
}

void Engine::Impl::Stretch(float *left, float *right, int32_t frames) {
  if (dirty)
    UpdateDerived();
  const double lfoValue = lfo.Value();
  lfo.Advance(frames);
  const double wheelScale = 1.0 - d.lfoWheel + d.lfoWheel * wheel;
  std::fill(left, left + frames, 0.0f);
  std::fill(right, right + frames, 0.0f);
  int count = 0;
  for (int slot = 0; slot < kSlots; ++slot)
    if (voices[slot].active) {
      list[count++] = slot;
      VoiceInputsFor(slot, lfoValue, wheelScale, frames);
    }
  if (count == 0)
    return;
  bank->Run(list, count, frames);
  for (int i = 0; i < count; ++i)
    MixVoice(list[i], left, right, frames);
  // Nothing non-finite leaves the engine: such samples become 0, and the
  // voices that made them start afresh.
  float check = 0.0f;
  for (int32_t k = 0; k < frames; ++k)
    check += left[k] * 0.0f + right[k] * 0.0f;
  if (check != 0.0f) {
    for (int32_t k = 0; k < frames; ++k) {
      left[k] = Finite(left[k]) ? left[k] : 0.0f;
      right[k] = Finite(right[k]) ? right[k] : 0.0f;
    }
    for (int i = 0; i < count; ++i) {
      const float *out = bank->Output(list[i]);
      for (int32_t k = 0; k < frames; ++k)
        if (!Finite(out[k])) {
          bank->Start(list[i]);
          break;
        }
    }
  }
  for (int i = 0; i < count; ++i) {
    VoiceState &v = voices[list[i]];
    if (v.amp.Idle() || (v.fading && v.fadeDone >= d.fade)) {
      v.active = false;
      allocator.Finished(list[i]);
    }
  }
}

void Engine::Impl::HandleMidi(const uint8_t *m, uint32_t size) {
  if (size < 1 || m[0] < 0x80 || m[0] >= 0xF0)
    return;
  const uint8_t kind = m[0] & 0xF0;
  const uint32_t needed = (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
  if (size < needed || m[1] >= 0x80 || (needed == 3 && m[2] >= 0x80))
    return;
  const int a = m[1], b = needed == 3 ? m[2] : 0;
  switch (kind) {
  case 0x90:
    if (b > 0) {
      allocator.NoteOn(a, b, *this);
      break;
    }
    [[fallthrough]];
  case 0x80: allocator.NoteOff(a, *this); break;
  case 0xB0:
    switch (a) {
    case 1: wheel = b / 127.0; break;
    case 64: allocator.Pedal(b >= 64, *this); break;
    case 120: allocator.AllSoundOff(*this); break;
    case 121:
      bend = wheel = pressure = 0.0;
      allocator.Pedal(false, *this);
      break;
    case 123:
    case 124:
    case 125:
    case 126:
    case 127: allocator.AllNotesOff(*this); break;
    default: break;
    }
    break;
  case 0xD0: pressure = a / 127.0; break;
  case 0xE0: bend = std::max(-1.0, ((b << 7 | a) - 8192) / 8192.0); break;
  default: break;
  }
}

Engine::Engine() : m_impl(new Impl) {}
Engine::~Engine() = default;

bool Engine::Activate(double sampleRate) {
  Impl &m = *m_impl;
  m.active = false;
  m.bank.reset();
  if (!(sampleRate >= 1000.0 && sampleRate <= 1.0e6))
    return false;
  m.rate = sampleRate;
  SharedPins shared;
  m.bank = LanesVoiceBank::Create(kSlots, static_cast<float>(sampleRate), shared);
  if (!m.bank)
    return false;
  m.shared = shared;
  m.allocator.Reset();
  for (VoiceState &v : m.voices)
    v = VoiceState();
  m.lfo = Lfo();
  m.lfo.Reset();
  m.bend = m.wheel = m.pressure = 0.0;
  m.haveLastPitch = false;
  m.clock = 0;
  m.dirty = true;
  m.active = true;
  return true;
}

void Engine::SetControl(Control control, float value) {
  if (control < 0 || control >= kControlCount)
    return;
  const float v = ContainValue(control, value);
  if (v != m_impl->controls[control]) {
    m_impl->controls[control] = v;
    m_impl->dirty = true;
  }
}

float Engine::ControlValue(Control control) const {
  return control >= 0 && control < kControlCount ? m_impl->controls[control] : 0.0f;
}

void Engine::SetControls(const float *values) {
  for (int c = 0; c < kControlCount; ++c)
    SetControl(static_cast<Control>(c), values[c]);
}

void Engine::Midi(const uint8_t *bytes, uint32_t size) {
  if (m_impl->active && bytes != nullptr) {
    if (m_impl->dirty)
      m_impl->UpdateDerived();
    m_impl->HandleMidi(bytes, size);
  }
}

void Engine::SetPosition(const Position &position) {
  if (m_impl->dirty && m_impl->active)
    m_impl->UpdateDerived();
  m_impl->lfo.SetPosition(position);
}

void Engine::Process(float *left, float *right, int32_t frames) {
  Impl &m = *m_impl;
  if (frames <= 0)
    return;
  if (!m.active) {
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    return;
  }
  int32_t done = 0;
  while (done < frames) {
    const int32_t toGrid = kStretch - static_cast<int32_t>(m.clock % kStretch);
    const int32_t n = std::min(frames - done, toGrid);
    m.Stretch(left + done, right + done, n);
    done += n;
    m.clock += n;
  }
}

int Engine::ActiveVoices() const {
  int n = 0;
  for (const VoiceState &v : m_impl->voices)
    n += v.active ? 1 : 0;
  return n;
}

double Engine::SampleRate() const { return m_impl->rate; }

} // namespace synth
