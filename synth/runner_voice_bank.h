// The voice bank that runs every voice's modules one by one, each module an
// instance driven by the module runner through its C entry points, as our
// host drives it. All voices read the tables of one generator instance.
#ifndef SYNTH_RUNNER_VOICE_BANK_H
#define SYNTH_RUNNER_VOICE_BANK_H

#include "voice_bank.h"

#include <memory>

namespace synth {

class RunnerVoiceBank final : public VoiceBank {
public:
  // Makes and opens every module (allocates; not real-time). Answers nullptr
  // when a module cannot be made.
  static std::unique_ptr<RunnerVoiceBank> Create(int slots, float sampleRate,
                                                 const SharedPins &shared);
  ~RunnerVoiceBank() override;

  int Slots() const override;
  void SetShared(const SharedPins &pins) override;
  void Start(int slot) override;
  VoiceInputs &Inputs(int slot) override;
  void Run(const int *slots, int count, int32_t frames) override;
  const float *Output(int slot) const override;

  struct Impl;

private:
  explicit RunnerVoiceBank(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> m_impl;
};

} // namespace synth

#endif // SYNTH_RUNNER_VOICE_BANK_H
