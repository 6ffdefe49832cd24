// An ADSR envelope, counted in samples. Every stage takes exactly its time,
// from whatever level it starts at, and ends exactly on its end level:
//
//   attack   start level -> 1   over A samples
//   decay    1 -> sustain       over D samples
//   sustain  held while the key is down (a change of level moves there in 5 ms)
//   release  start level -> 0   over R samples, then idle
//
// Within a stage of N samples from s to e the level at sample k (0 <= k < N)
// is T + (s - T) c^k, an exponential aimed past the end at T = e + r (e - s)
// with c^N = r / (1 + r), so that it would reach e at k = N, where the stage
// ends and e is written exactly. r is 0.3 for the attack (a rounded rise) and
// 1/1000 for the others (the last 60 dB of the span in the stage's final
// stretch). A trigger restarts the attack from the current level and a
// release starts from it, so no stage begins with a step.
//
// Sample k of a stage is written by the k-th call after it starts: a note
// triggered at frame f reads its start level at f and 1.0 at f + A.
#ifndef SYNTH_ENVELOPE_H
#define SYNTH_ENVELOPE_H

#include <cstdint>

namespace synth {

class Envelope {
public:
  enum class Stage : uint8_t { kIdle, kAttack, kDecay, kSustain, kMove, kRelease };

  struct Times {
    int32_t attack = 1; // samples, each at least 1
    int32_t decay = 1;
    int32_t release = 1;
    double sustain = 1.0; // level 0 ... 1
  };

  // What a set of times makes of every stage, computed once for all voices.
  struct Shape {
    Times times;
    int32_t move = 1; // samples of a move to a new sustain level
    double attackC = 1.0, decayC = 1.0, releaseC = 1.0, moveC = 1.0; // c of each stage
  };

  // Stage lengths for times in ms at a sample rate (at least one sample each).
  static Times FromMs(double attack, double decay, double sustain, double release, double rate);
  static Shape MakeShape(const Times &t, int32_t move);

  // New stage times; a stage under way keeps its own until it ends, and a new
  // sustain level is reached by a move.
  void Configure(const Shape &shape);
  void Trigger();
  void Release();
  void Reset();

  // The next `n` levels.
  void Fill(double *out, int32_t n);
  double Level() const { return m_level; }
  Stage CurrentStage() const { return m_stage; }
  bool Idle() const { return m_stage == Stage::kIdle; }
  // Every level Fill gives from here on is Level() until the next Trigger,
  // Release or Configure.
  bool Steady() const { return m_stage == Stage::kIdle || m_stage == Stage::kSustain; }

private:
  void Enter(Stage stage, double end, int32_t length, double c, double ratio);
  void EndStage();
  void EnterDecay();
  void EnterSustain();

  Shape m_shape; // Configure must run before the first Trigger
  Stage m_stage = Stage::kIdle;
  double m_level = 0.0;
  double m_end = 0.0; // the stage's end level
  double m_mul = 1.0; // level := level * m_mul + m_add
  double m_add = 0.0;
  int32_t m_remaining = 0; // samples of the stage still to write
};

} // namespace synth

#endif // SYNTH_ENVELOPE_H
