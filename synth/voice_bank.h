// The voices' modules, behind one small interface: for one stretch of frames
// a bank takes every voice's pin values, delivers what changed and runs the
// oscillators, the noise, the mix and the ladder of each voice it is handed.
// The engine decides everything else (notes, envelopes, LFO, the amplifier,
// the stereo mix), so a bank that runs several voices side by side can take
// the place of the one that runs them one by one (runner_voice_bank.h).
//
// Contract, for every bank:
//  - Frames. Run() is called for 1 to kStretch frames. The engine cuts every
//    call, for all voices at once, at every MIDI event's frame and at every
//    multiple of kStretch frames counted from activation, so a bank may group
//    voices freely: all of them run the same stretch.
//  - Pin values. Inputs(slot) holds what the voice's modules are to read over
//    the coming stretch. A value that differs from the previous stretch's is
//    a pin change at the stretch's first frame, exactly as our host delivers
//    a scheduled change (the modules' own reactions: a new static pitch step,
//    a new width, ...); the cutoff is an audio input read per frame.
//  - Shared settings (SetShared) take effect for each voice at its next Run.
//  - Start(slot): the voice's next Run begins a note from rest: both
//    oscillators (and the sync source) restart their cycle at phase 0 on the
//    first frame (a rise of their static Sync input), and the ladder is
//    emptied first (its input goes static for one frame, as the module does
//    for a signal that stops, then streams again).
//  - Sync: with SharedPins::sync, oscillator 2's Sync input streams the
//    output of a third oscillator of the voice, a Sine at oscillator 1's
//    pitch that restarts with it, so it rises through zero exactly once per
//    cycle of oscillator 1 (Sync Accuracy High); without it oscillator 2's
//    Sync is static at 0 and the third oscillator does not run.
//  - Noise comes from one noise module shared by the bank: each stretch it
//    runs once for every voice that needs noise, in the order of the slots
//    handed to Run, and each such voice takes the next `frames` samples. A
//    voice needs noise when its noise level is not 0 or when an oscillator
//    with a level not 0 plays the Noise waveform, which reads that slice
//    times its width (the module's noise level). So voices struck together
//    never play the same noise.
//  - Output(slot): the ladder's output for the stretch, frames [0, frames).
//  - Nothing allocates, locks or logs after construction.
#ifndef SYNTH_VOICE_BANK_H
#define SYNTH_VOICE_BANK_H

#include <cstdint>

namespace synth {

// The longest module call, and the grid every call is cut at.
inline constexpr int32_t kStretch = 32;

// Module settings every voice shares: choice pins and pins set by controls.
struct SharedPins {
  int16_t osc1Waveform = 1; // the oscillator's Waveform item values
  int16_t osc2Waveform = 1;
  float freqLimit = 2200.0f; // "Freq Limit (Hz)" sample (Hz / 10)
  int16_t filterType = 0;    // the ladder's choice item values
  int16_t filterTap = 3;
  int16_t qTap = 3;
  int16_t emulate = 1;
  int16_t version = 0;
  int16_t bassBoost = 2;
  float zing = 1.0f; // "(Zing)" sample
  bool sync = false; // oscillator 2 hard-synced to oscillator 1
};

// One voice's inputs for the coming stretch.
struct VoiceInputs {
  float osc1Pitch = 0.5f; // "Pitch" samples (volts / 10, 1 V per octave), held over the stretch
  float osc2Pitch = 0.5f;
  float osc1Width = 0.5f; // "Phase/Pulse Width" samples (1.0 = one cycle)
  float osc2Width = 0.5f;
  // Gains of the ladder's input mix, level1 * osc1 + level2 * osc2 + noise *
  // noise, summed in that order; a source whose gain is 0 is not run.
  float osc1Level = 1.0f;
  float osc2Level = 0.0f;
  float noiseLevel = 0.0f;
  float resonance = 0.0f;      // "Resonance" sample, held over the stretch
  float cutoff[kStretch] = {}; // the ladder's "Pitch" sample of every frame
};

class VoiceBank {
public:
  virtual ~VoiceBank() = default;
  virtual int Slots() const = 0;
  virtual void SetShared(const SharedPins &pins) = 0;
  virtual void Start(int slot) = 0;
  virtual VoiceInputs &Inputs(int slot) = 0;
  // Runs the voices of `slots` (count of them, each once, in this order).
  virtual void Run(const int *slots, int count, int32_t frames) = 0;
  virtual const float *Output(int slot) const = 0;
};

} // namespace synth

#endif // SYNTH_VOICE_BANK_H
