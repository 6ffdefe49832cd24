// Which voice slot plays which note: polyphony, stealing, mono and legato,
// the sustain pedal. Pure bookkeeping: what a slot must do is told to the
// engine through VoiceActions, and the engine tells the allocator when a
// voice has fallen silent (Finished).
//
// Poly: a note already sounding (held, pedal-held or releasing) is played
// again in its own slot, its envelopes restarting from their level. Otherwise,
// while as many voices play as the polyphony allows, one is stolen and fades
// out: the oldest released voice first, then the oldest pedal-held, then the
// oldest held. The new note starts in a free slot (the slots outnumber the
// polyphony, so a fading voice keeps its own); when none is free, the voice
// that began fading first is cut.
//
// Mono and Legato: one voice; the most recent key sounds, and releasing it
// returns to the most recent key still held. Mono restarts the envelopes on
// every change of note; Legato only when no other key was held.
#ifndef SYNTH_VOICE_ALLOCATOR_H
#define SYNTH_VOICE_ALLOCATOR_H

#include "synth/controls.h"

#include <cstdint>

namespace synth {

class VoiceActions {
public:
  virtual ~VoiceActions() = default;
  // A note from rest in a free slot.
  virtual void Begin(int slot, int note, int velocity) = 0;
  // The slot's voice plays `note` from now on; `envelopes`: restart them.
  virtual void Retrigger(int slot, int note, int velocity, bool envelopes) = 0;
  virtual void Release(int slot) = 0;
  // Stolen: fades out, then Finished.
  virtual void Fade(int slot) = 0;
  // A fading voice that stops at once (its slot is needed).
  virtual void Cut(int slot) = 0;
};

class VoiceAllocator {
public:
  static constexpr int kMaxSlots = 64;
  enum class Phase : uint8_t { kFree, kHeld, kPedal, kReleased, kFading };

  explicit VoiceAllocator(int slots);

  void SetPolyphony(int voices);
  void SetMode(VoiceMode mode, VoiceActions &act); // a change releases every note
  VoiceMode Mode() const { return m_mode; }

  void NoteOn(int note, int velocity, VoiceActions &act);
  void NoteOff(int note, VoiceActions &act);
  void Pedal(bool down, VoiceActions &act);
  void AllNotesOff(VoiceActions &act);
  void AllSoundOff(VoiceActions &act);
  void Finished(int slot);
  void Reset();

  Phase SlotPhase(int slot) const { return m_slots[slot].phase; }
  int SlotNote(int slot) const { return m_slots[slot].note; }
  int Sounding() const; // slots not free, fading ones included

private:
  struct Slot {
    Phase phase = Phase::kFree;
    int note = -1;
    uint64_t age = 0; // when its note began (or when it began fading)
  };
  struct Key {
    int note;
    int velocity;
  };

  static bool Playing(Phase p) {
    return p == Phase::kHeld || p == Phase::kPedal || p == Phase::kReleased;
  }
  int Oldest(Phase phase) const;
  int FreeSlot(VoiceActions &act);
  void PolyNoteOn(int note, int velocity, VoiceActions &act);
  void MonoNoteOn(int note, int velocity, VoiceActions &act);
  void MonoNoteOff(int note, VoiceActions &act);
  void ReleaseSlot(int slot, VoiceActions &act);
  void RemoveKey(int note);

  Slot m_slots[kMaxSlots];
  int m_slotCount;
  int m_polyphony = 8;
  VoiceMode m_mode = VoiceMode::kPoly;
  bool m_pedal = false;
  uint64_t m_clock = 0;
  int m_monoSlot = -1;
  Key m_keys[128] = {}; // keys held, oldest first (mono and legato)
  int m_keyCount = 0;
};

} // namespace synth

#endif // SYNTH_VOICE_ALLOCATOR_H
