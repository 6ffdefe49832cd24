// A standard MIDI file scheduled as `se-host synth` plays it (synth/song.h:
// the same reader, the same frames), answered as the frame-stamped list the
// page hands its worklet:
//   {"error": ""|"what is wrong", "endFrame": n,
//    "events": [{"frame": f, "midi": [status, data...]},
//               {"frame": f, "position": {"bpm": .., "beatsPerBar": .., "bar": ..,
//                                         "barBeat": .., "speed": ..}}, ...]}
// (a position names only the fields it has). Not real-time: the page's thread.
#include "json_text.h"

#include "synth/midi_file.h"
#include "synth/song.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

namespace {

uint8_t *g_buffer = nullptr;
std::string g_answer;

void Position(web::JsonWriter &json, const synth::Position &p) {
  json.Key("position").BeginObject();
  if (p.hasTempo)
    json.Key("bpm").Number(p.beatsPerMinute);
  if (p.hasBeatsPerBar)
    json.Key("beatsPerBar").Number(p.beatsPerBar);
  if (p.hasBar)
    json.Key("bar").Number(static_cast<double>(p.bar));
  if (p.hasBarBeat)
    json.Key("barBeat").Number(p.barBeat);
  if (p.hasSpeed)
    json.Key("speed").Number(p.speed);
  json.EndObject();
}

std::string Schedule(std::span<const uint8_t> bytes, uint32_t rate) {
  web::JsonWriter json;
  json.BeginObject();
  synth::MidiFile file;
  const std::string error = synth::ReadMidiFile(bytes, file);
  json.Key("error").String(error);
  if (!error.empty() || rate == 0) {
    json.EndObject();
    return json.Text();
  }
  const synth::Song song = synth::ScheduleSong(file, rate);
  json.Key("endFrame").Number(static_cast<double>(song.endFrame));
  json.Key("events").BeginArray();
  for (const synth::SongEvent &e : song.events) {
    json.BeginObject();
    json.Key("frame").Number(static_cast<double>(e.frame));
    if (e.isPosition) {
      Position(json, e.position);
    } else {
      json.Key("midi").BeginArray();
      for (int i = 0; i < e.size; ++i)
        json.Number(static_cast<int>(e.bytes[i]));
      json.EndArray();
    }
    json.EndObject();
  }
  json.EndArray();
  json.EndObject();
  return json.Text();
}

} // namespace

extern "C" {

// A buffer of `size` bytes for the page to write a file into (the previous
// one is given back); null when there is no memory for it.
EMSCRIPTEN_KEEPALIVE uint8_t *se_song_buffer(int32_t size) {
  std::free(g_buffer);
  g_buffer = size > 0 ? static_cast<uint8_t *>(std::malloc(static_cast<size_t>(size))) : nullptr;
  return g_buffer;
}

// The file in the buffer (its first `size` bytes) at `rate` frames per
// second, as NUL-terminated JSON, valid until the next call.
EMSCRIPTEN_KEEPALIVE const char *se_song_schedule(int32_t size, int32_t rate) {
  const size_t n = g_buffer != nullptr && size > 0 ? static_cast<size_t>(size) : 0;
  g_answer = Schedule({g_buffer, n}, rate > 0 ? static_cast<uint32_t>(rate) : 0);
  return g_answer.c_str();
}

} // extern "C"
