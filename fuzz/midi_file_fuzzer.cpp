// Any bytes as a standard MIDI file: read, and when readable scheduled at a
// sample rate as `se-host synth` would play it. Never a read outside the bytes,
// and a schedule whose frames never go back.
#include "fail.h"
#include "synth/midi_file.h"
#include "synth/song.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  synth::MidiFile file;
  if (!synth::ReadMidiFile({data, size}, file).empty())
    return 0;
  const uint32_t rate = size > 0 && (data[size - 1] & 1) != 0 ? 44100 : 48000;
  const synth::Song song = synth::ScheduleSong(file, rate);
  int64_t last = 0;
  for (const synth::SongEvent &e : song.events) {
    if (e.frame < last)
      sefuzz::Fail("a song event goes back in time");
    if (e.size == 1 || e.size > 3 || (e.size > 0 && e.bytes[0] < 0x80))
      sefuzz::Fail("a song event that is no channel message");
    last = e.frame;
  }
  if (song.endFrame < 0 || (!song.events.empty() && song.events.back().frame > song.endFrame))
    sefuzz::Fail("the song ends before its last event");
  return 0;
}
