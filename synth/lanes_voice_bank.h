// The voice bank that runs the voices' modules as plain voice objects
// (ladder::FilterVoice, osc::OscillatorVoice: each module's own state, pin
// reactions and routines), all voices' oscillators and then all voices'
// ladders together, in SIMD lanes (filter_voice.h, oscillator_voice.h).
// Every pin event the runner bank (runner_voice_bank.h) sends a module
// reaches the voice object at the same frame, in the same order, and every
// module call has the same length, so each voice's samples are those of the
// runner bank, bit for bit.
#ifndef SYNTH_LANES_VOICE_BANK_H
#define SYNTH_LANES_VOICE_BANK_H

#include "voice_bank.h"

#include <memory>

namespace synth {

class LanesVoiceBank final : public VoiceBank {
public:
  // Makes every voice (allocates; not real-time). Answers nullptr when the
  // generator cannot be made or its tables are missing.
  static std::unique_ptr<LanesVoiceBank> Create(int slots, float sampleRate,
                                                const SharedPins &shared);
  ~LanesVoiceBank() override;

  int Slots() const override;
  void SetShared(const SharedPins &pins) override;
  void Start(int slot) override;
  VoiceInputs &Inputs(int slot) override;
  void Run(const int *slots, int count, int32_t frames) override;
  const float *Output(int slot) const override;

  struct Impl;

private:
  explicit LanesVoiceBank(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> m_impl;
};

} // namespace synth

#endif // SYNTH_LANES_VOICE_BANK_H
