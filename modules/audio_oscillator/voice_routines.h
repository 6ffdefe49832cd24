// The oscillator's process routines on a voice: one call of `count` samples
// from `first` in the block's buffers (oscillator_voice.h).
#ifndef AUDIO_OSCILLATOR_VOICE_ROUTINES_H
#define AUDIO_OSCILLATOR_VOICE_ROUTINES_H

#include "audio_oscillator/oscillator_voice.h"

#include <cstdint>

namespace osc {

// Pitch read once per call (process_read.cpp).
void RunLow(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count);
// Pitch read per sample (process_read.cpp).
void RunHigh(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count);
// The sync routines (process_sync.cpp): each stretch cut at the rises of
// Sync, the inner routine run for the pieces, the cycle restarted at phase 0
// on the sample (SyncLow) or where the rise crossed zero (SyncHigh*).
void RunSyncLow(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count);
void RunSyncHighOct(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first, int32_t count);
void RunSyncHighLinear(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first,
                       int32_t count);

// The table for one call (from the harmonic limit at `first`), or null.
const float *TableForCall(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first);
// Writes noise, or zeros without a table, and answers null when that settles
// the call; otherwise answers the table the call reads.
const float *BeginTableCall(OscillatorVoice &v, const OscillatorBuffers &b, int32_t first,
                            int32_t count);

} // namespace osc

#endif // AUDIO_OSCILLATOR_VOICE_ROUTINES_H
