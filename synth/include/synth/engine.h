// The polyphonic synthesizer: two oscillator modules, a noise source and the
// ladder filter module per voice, an amplifier, two envelopes, one LFO, all
// played from MIDI. The LV2 plugin, `se-host synth` and the web page run this
// one engine, so the same MIDI at the same rate gives the same samples.
//
// Contract:
//  - Not real-time: construction, Activate (makes every module; the first
//    activation in a process builds the wavetables), destruction.
//  - Real-time (no allocation, lock, log or file access): everything else.
//  - Time: Process(left, right, n) renders the next n frames. Events (Midi,
//    SetPosition) and control changes take effect at the frame where the
//    rendering stands when they are given. Every module call is cut, for all
//    voices at once, at each such frame and at every multiple of 32 frames
//    counted from activation; so the output does not depend on how a caller
//    splits its Process calls, as long as every split falls on a multiple of
//    32 or on an event's frame.
//  - Controls are held to their range (controls.h); nothing non-finite
//    reaches the output.
#ifndef SYNTH_ENGINE_H
#define SYNTH_ENGINE_H

#include "synth/controls.h"
#include "synth/position.h"

#include <cstdint>
#include <memory>

namespace synth {

class Engine {
public:
  static constexpr int kMaxPolyphony = 32;
  // Voice slots: the polyphony and room for stolen voices to fade out.
  static constexpr int kSlots = kMaxPolyphony + 8;

  Engine();
  ~Engine();
  Engine(const Engine &) = delete;
  Engine &operator=(const Engine &) = delete;

  // Starts afresh at `sampleRate` (every voice silent, controls kept).
  // Answers false when the modules cannot be made or the rate is unusable
  // (then Process writes silence).
  bool Activate(double sampleRate);

  void SetControl(Control control, float value);
  float ControlValue(Control control) const;
  // Every control to the values of a table of kControlCount values.
  void SetControls(const float *values);

  // One complete MIDI message (status byte first); anything else is ignored.
  void Midi(const uint8_t *bytes, uint32_t size);
  void SetPosition(const Position &position);

  void Process(float *left, float *right, int32_t frames);

  // Voices that sound or fade; 0 means the output is silent from here on
  // until the next note.
  int ActiveVoices() const;
  double SampleRate() const;

  struct Impl;

private:
  std::unique_ptr<Impl> m_impl;
};

} // namespace synth

#endif // SYNTH_ENGINE_H
