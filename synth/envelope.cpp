#include "envelope.h"

#include "portable_exp2.h"
#include "portable_log2.h"

#include <algorithm>

namespace synth {

namespace {

constexpr double kAttackRatio = 0.3;
constexpr double kOtherRatio = 0.001;

// c with c^n = r / (1 + r).
double StageFactor(int32_t n, double ratio) {
  return se_math::Exp2(se_math::Log2(ratio / (1.0 + ratio)) / n);
}

int32_t Samples(double ms, double rate) {
  const double n = ms * rate / 1000.0 + 0.5;
  return n < 1.0 ? 1 : (n > 2.0e9 ? 2000000000 : static_cast<int32_t>(n));
}

} // namespace

Envelope::Times Envelope::FromMs(double attack, double decay, double sustain, double release,
                                 double rate) {
  Times t;
  t.attack = Samples(attack, rate);
  t.decay = Samples(decay, rate);
  t.release = Samples(release, rate);
  t.sustain = std::clamp(sustain, 0.0, 1.0);
  return t;
}

Envelope::Shape Envelope::MakeShape(const Times &t, int32_t move) {
  Shape s;
  s.times = t;
  s.move = std::max(move, 1);
  s.attackC = StageFactor(t.attack, kAttackRatio);
  s.decayC = StageFactor(t.decay, kOtherRatio);
  s.releaseC = StageFactor(t.release, kOtherRatio);
  s.moveC = StageFactor(s.move, kOtherRatio);
  return s;
}

void Envelope::Configure(const Shape &shape) {
  const bool sustainChanged = shape.times.sustain != m_shape.times.sustain;
  m_shape = shape;
  if (sustainChanged && (m_stage == Stage::kSustain || m_stage == Stage::kMove))
    Enter(Stage::kMove, m_shape.times.sustain, m_shape.move, m_shape.moveC, kOtherRatio);
}

void Envelope::Enter(Stage stage, double end, int32_t length, double c, double ratio) {
  m_stage = stage;
  m_end = end;
  m_remaining = length;
  const double target = end + ratio * (end - m_level);
  m_mul = c;
  m_add = target * (1.0 - c);
}

void Envelope::EnterDecay() {
  if (m_shape.times.sustain >= 1.0) {
    EnterSustain();
    return;
  }
  Enter(Stage::kDecay, m_shape.times.sustain, m_shape.times.decay, m_shape.decayC, kOtherRatio);
}

void Envelope::EnterSustain() {
  if (m_level != m_shape.times.sustain) { // the level changed while the stage ran
    Enter(Stage::kMove, m_shape.times.sustain, m_shape.move, m_shape.moveC, kOtherRatio);
    return;
  }
  m_stage = Stage::kSustain;
  m_mul = 1.0;
  m_add = 0.0;
}

void Envelope::Trigger() {
  if (m_level >= 1.0) {
    m_level = 1.0;
    EnterDecay();
    return;
  }
  Enter(Stage::kAttack, 1.0, m_shape.times.attack, m_shape.attackC, kAttackRatio);
}

void Envelope::Release() {
  if (m_stage == Stage::kIdle || m_stage == Stage::kRelease)
    return;
  if (m_level <= 0.0) {
    Reset();
    return;
  }
  Enter(Stage::kRelease, 0.0, m_shape.times.release, m_shape.releaseC, kOtherRatio);
}

void Envelope::Reset() {
  m_stage = Stage::kIdle;
  m_level = 0.0;
  m_mul = 1.0;
  m_add = 0.0;
}

void Envelope::EndStage() {
  m_level = m_end;
  switch (m_stage) {
  case Stage::kAttack: EnterDecay(); break;
  case Stage::kDecay:
  case Stage::kMove: EnterSustain(); break;
  default: Reset(); break;
  }
}

void Envelope::Fill(double *out, int32_t n) {
  int32_t i = 0;
  while (i < n) {
    if (m_stage == Stage::kIdle || m_stage == Stage::kSustain) {
      std::fill(out + i, out + n, m_level);
      return;
    }
    // The stage's samples in this call, then its end (if it falls here).
    const int32_t run = std::min(n - i, m_remaining);
    double level = m_level;
    const double mul = m_mul, add = m_add;
    for (int32_t k = 0; k < run; ++k) {
      out[i + k] = level;
      level = level * mul + add;
    }
    m_level = level;
    m_remaining -= run;
    i += run;
    if (m_remaining == 0)
      EndStage();
  }
}

} // namespace synth
