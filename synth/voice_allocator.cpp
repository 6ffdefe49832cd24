#include "voice_allocator.h"

#include <algorithm>

namespace synth {

VoiceAllocator::VoiceAllocator(int slots) : m_slotCount(std::clamp(slots, 1, kMaxSlots)) {}

void VoiceAllocator::Reset() {
  for (Slot &s : m_slots)
    s = Slot();
  m_pedal = false;
  m_clock = 0;
  m_monoSlot = -1;
  m_keyCount = 0;
}

void VoiceAllocator::SetPolyphony(int voices) { m_polyphony = std::clamp(voices, 1, m_slotCount); }

void VoiceAllocator::SetMode(VoiceMode mode, VoiceActions &act) {
  if (mode == m_mode)
    return;
  AllNotesOff(act);
  m_mode = mode;
}

int VoiceAllocator::Sounding() const {
  int n = 0;
  for (int i = 0; i < m_slotCount; ++i)
    n += m_slots[i].phase != Phase::kFree ? 1 : 0;
  return n;
}

int VoiceAllocator::Oldest(Phase phase) const {
  int best = -1;
  for (int i = 0; i < m_slotCount; ++i)
    if (m_slots[i].phase == phase && (best < 0 || m_slots[i].age < m_slots[best].age))
      best = i;
  return best;
}

// A free slot, or the one whose fade began first, cut.
int VoiceAllocator::FreeSlot(VoiceActions &act) {
  for (int i = 0; i < m_slotCount; ++i)
    if (m_slots[i].phase == Phase::kFree)
      return i;
  int slot = Oldest(Phase::kFading);
  if (slot < 0) { // nothing fades: every slot plays (more slots than voices prevents it)
    slot = Oldest(Phase::kReleased);
    if (slot < 0)
      slot = Oldest(Phase::kPedal);
    if (slot < 0)
      slot = Oldest(Phase::kHeld);
  }
  act.Cut(slot);
  m_slots[slot].phase = Phase::kFree;
  return slot;
}

void VoiceAllocator::NoteOn(int note, int velocity, VoiceActions &act) {
  if (m_mode == VoiceMode::kPoly)
    PolyNoteOn(note, velocity, act);
  else
    MonoNoteOn(note, velocity, act);
}

void VoiceAllocator::PolyNoteOn(int note, int velocity, VoiceActions &act) {
  for (int i = 0; i < m_slotCount; ++i) {
    Slot &s = m_slots[i];
    if (Playing(s.phase) && s.note == note) {
      act.Retrigger(i, note, velocity, true);
      s.phase = Phase::kHeld;
      s.age = ++m_clock;
      return;
    }
  }
  int playing = 0;
  for (int i = 0; i < m_slotCount; ++i)
    playing += Playing(m_slots[i].phase) ? 1 : 0;
  for (; playing >= m_polyphony; --playing) {
    int victim = Oldest(Phase::kReleased);
    if (victim < 0)
      victim = Oldest(Phase::kPedal);
    if (victim < 0)
      victim = Oldest(Phase::kHeld);
    act.Fade(victim);
    m_slots[victim].phase = Phase::kFading;
    m_slots[victim].age = ++m_clock;
  }
  const int slot = FreeSlot(act);
  act.Begin(slot, note, velocity);
  m_slots[slot] = Slot{Phase::kHeld, note, ++m_clock};
}

void VoiceAllocator::RemoveKey(int note) {
  int j = 0;
  for (int i = 0; i < m_keyCount; ++i)
    if (m_keys[i].note != note)
      m_keys[j++] = m_keys[i];
  m_keyCount = j;
}

void VoiceAllocator::MonoNoteOn(int note, int velocity, VoiceActions &act) {
  RemoveKey(note);
  const bool overlapping = m_keyCount > 0;
  m_keys[m_keyCount++] = Key{note, velocity};
  if (m_monoSlot >= 0 && Playing(m_slots[m_monoSlot].phase)) {
    Slot &s = m_slots[m_monoSlot];
    act.Retrigger(m_monoSlot, note, velocity, !(m_mode == VoiceMode::kLegato && overlapping));
    s.phase = Phase::kHeld;
    s.note = note;
    s.age = ++m_clock;
    return;
  }
  m_monoSlot = FreeSlot(act);
  act.Begin(m_monoSlot, note, velocity);
  m_slots[m_monoSlot] = Slot{Phase::kHeld, note, ++m_clock};
}

void VoiceAllocator::ReleaseSlot(int slot, VoiceActions &act) {
  if (m_pedal) {
    m_slots[slot].phase = Phase::kPedal;
  } else {
    act.Release(slot);
    m_slots[slot].phase = Phase::kReleased;
  }
}

void VoiceAllocator::MonoNoteOff(int note, VoiceActions &act) {
  RemoveKey(note);
  if (m_monoSlot < 0)
    return;
  Slot &s = m_slots[m_monoSlot];
  if (s.phase != Phase::kHeld || s.note != note)
    return;
  if (m_keyCount > 0) { // back to the most recent key still held
    const Key &k = m_keys[m_keyCount - 1];
    act.Retrigger(m_monoSlot, k.note, k.velocity, m_mode == VoiceMode::kMono);
    s.note = k.note;
    return;
  }
  ReleaseSlot(m_monoSlot, act);
}

void VoiceAllocator::NoteOff(int note, VoiceActions &act) {
  if (m_mode != VoiceMode::kPoly) {
    MonoNoteOff(note, act);
    return;
  }
  for (int i = 0; i < m_slotCount; ++i)
    if (m_slots[i].phase == Phase::kHeld && m_slots[i].note == note)
      ReleaseSlot(i, act);
}

void VoiceAllocator::Pedal(bool down, VoiceActions &act) {
  m_pedal = down;
  if (down)
    return;
  for (int i = 0; i < m_slotCount; ++i)
    if (m_slots[i].phase == Phase::kPedal) {
      act.Release(i);
      m_slots[i].phase = Phase::kReleased;
    }
}

void VoiceAllocator::AllNotesOff(VoiceActions &act) {
  m_keyCount = 0;
  for (int i = 0; i < m_slotCount; ++i)
    if (m_slots[i].phase == Phase::kHeld || m_slots[i].phase == Phase::kPedal) {
      act.Release(i);
      m_slots[i].phase = Phase::kReleased;
    }
}

void VoiceAllocator::AllSoundOff(VoiceActions &act) {
  m_keyCount = 0;
  for (int i = 0; i < m_slotCount; ++i)
    if (Playing(m_slots[i].phase)) {
      act.Fade(i);
      m_slots[i].phase = Phase::kFading;
      m_slots[i].age = ++m_clock;
    }
}

void VoiceAllocator::Finished(int slot) {
  if (slot >= 0 && slot < m_slotCount)
    m_slots[slot] = Slot();
  if (slot == m_monoSlot)
    m_monoSlot = -1;
}

} // namespace synth
