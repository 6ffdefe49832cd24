#include "lfo.h"

#include "portable_sine.h"

#include <cmath>

namespace synth {

void Lfo::Reset() {
  m_phase = 0.0;
  m_random = 0x9E3779B9u;
  NewHold();
}

void Lfo::SetRate(double hz, double sampleRate) {
  m_hz = hz;
  m_rate = sampleRate;
}

void Lfo::SetSync(double beatsPerCycle) { m_beats = beatsPerCycle > 0.0 ? beatsPerCycle : 0.0; }

void Lfo::SetPosition(const Position &p) {
  if (p.hasTempo && p.beatsPerMinute > 0.0f && p.beatsPerMinute < 1.0e5f)
    m_tempo = p.beatsPerMinute;
  if (p.hasBeatsPerBar && p.beatsPerBar > 0.0f && p.beatsPerBar < 1.0e5f)
    m_beatsPerBar = p.beatsPerBar;
  bool rolling = m_speed != 0.0;
  if (p.hasSpeed && std::isfinite(p.speed)) {
    rolling = p.speed != 0.0f;
    m_speed = rolling ? std::fabs(static_cast<double>(p.speed)) : 1.0;
    if (m_speed > 16.0)
      m_speed = 16.0;
  }
  // The phase follows the transport's beat while it rolls.
  if (m_beats > 0.0 && rolling && p.hasBar && p.hasBarBeat && std::isfinite(p.barBeat)) {
    const double beat = static_cast<double>(p.bar) * m_beatsPerBar + p.barBeat;
    const double cycles = beat / m_beats;
    if (std::isfinite(cycles)) {
      const double phase = cycles - std::floor(cycles);
      m_phase = phase < 1.0 ? phase : 0.0;
    }
  }
}

double Lfo::Increment() const {
  const double hz = m_beats > 0.0 ? m_tempo / 60.0 / m_beats * m_speed : m_hz;
  return hz / m_rate;
}

void Lfo::NewHold() {
  m_random ^= m_random << 13;
  m_random ^= m_random >> 17;
  m_random ^= m_random << 5;
  // The top 24 bits, exactly, as -1 ... 1 - 2^-23.
  m_hold = static_cast<double>(static_cast<int32_t>(m_random) >> 8) / 8388608.0;
}

double Lfo::Value() const {
  const double p = m_phase;
  switch (m_shape) {
  case LfoShape::kTriangle: return p < 0.25 ? 4.0 * p : (p < 0.75 ? 2.0 - 4.0 * p : 4.0 * p - 4.0);
  case LfoShape::kSaw: return p < 0.5 ? 2.0 * p : 2.0 * p - 2.0;
  case LfoShape::kSquare: return p < 0.5 ? 1.0 : -1.0;
  case LfoShape::kSampleAndHold: return m_hold;
  default: return se_math::Sin2Pi(p);
  }
}

void Lfo::Advance(int32_t frames) {
  const double next = m_phase + Increment() * frames;
  if (!(next < 1.0)) {
    const double wrapped = next - std::floor(next);
    m_phase = wrapped < 1.0 ? wrapped : 0.0;
    NewHold();
  } else {
    m_phase = next >= 0.0 ? next : 0.0;
  }
}

} // namespace synth
