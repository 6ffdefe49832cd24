// One voice's installed routine for one call.
#include "audio_oscillator/oscillator_voice.h"

#include "voice_routines.h"

#include <algorithm>

namespace osc {

void ProcessOscillatorVoice(OscillatorVoice &voice, const OscillatorBuffers &buffers, int32_t first,
                            int32_t count, int32_t currentBlockSize) {
  switch (voice.installed) {
  case OscillatorRoutine::kNone: break;
  case OscillatorRoutine::kLow: RunLow(voice, buffers, first, count); break;
  case OscillatorRoutine::kHigh: RunHigh(voice, buffers, first, count); break;
  case OscillatorRoutine::kSyncLow: RunSyncLow(voice, buffers, first, count); break;
  case OscillatorRoutine::kSyncHighOct: RunSyncHighOct(voice, buffers, first, count); break;
  case OscillatorRoutine::kSyncHighLinear: RunSyncHighLinear(voice, buffers, first, count); break;
  case OscillatorRoutine::kHold:
    if (count > 0)
      std::fill_n(buffers.out + first, count,
                  voice.HeldValue(buffers.out, first, currentBlockSize));
    break;
  case OscillatorRoutine::kSilence:
    if (count > 0)
      std::fill_n(buffers.out + first, count, 0.0f);
    break;
  }
}

} // namespace osc
