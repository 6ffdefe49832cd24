// The synth as the behaviour tests play it: the engine itself, or the LV2
// plugin under a lilv host. Each test program links one MakePlayer.
#ifndef TESTS_SYNTH_PLAYER_H
#define TESTS_SYNTH_PLAYER_H

#include "synth_render.h"

#include <memory>

namespace synthtest {

class Player {
public:
  virtual ~Player() = default;
  // A control by its symbol, from the next Play on.
  virtual void Set(const char *symbol, float value) = 0;
  // The next `frames` frames with the events (frames counted from this call).
  virtual Stereo Play(int64_t frames, const std::vector<Event> &events) = 0;
  // Voices still sounding (-1 where the player cannot tell).
  virtual int ActiveVoices() const = 0;
};

// A synth at `rate`, every control at its default; null when it cannot be made.
std::unique_ptr<Player> MakePlayer(double rate);

} // namespace synthtest

#endif // TESTS_SYNTH_PLAYER_H
