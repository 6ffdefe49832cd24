// The atom sequence reader on sequences built byte by byte: what it answers
// for well-formed events, their frames, and where a malformed sequence ends.
#include "sequence_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using se_lv2::SequenceEvent;
using se_lv2::SequenceReader;
using se_lv2::SequenceUrids;

constexpr LV2_URID kSequence = 7, kFrameTime = 8, kMidi = 9, kOther = 10, kBeatTime = 11;

SequenceUrids Urids() {
  SequenceUrids u;
  u.sequence = kSequence;
  u.frameTime = kFrameTime;
  u.midiEvent = kMidi;
  return u;
}

// A sequence in 8-byte words: header, body header, then events appended raw.
class Builder {
public:
  explicit Builder(uint32_t unit = 0, LV2_URID type = kSequence) {
    m_type = type;
    const LV2_Atom_Sequence_Body body{unit, 0};
    m_bytes.resize(sizeof(LV2_Atom)); // the atom header, written by Data()
    Put(&body, sizeof body);
  }
  Builder &Add(int64_t frame, uint32_t size, LV2_URID type, std::vector<uint8_t> data = {},
               bool pad = true) {
    LV2_Atom_Event e{};
    e.time.frames = frame;
    e.body = {size, type};
    Put(&e, sizeof e);
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    if (pad)
      m_bytes.resize((m_bytes.size() + 7) / 8 * 8);
    return *this;
  }
  Builder &Raw(std::vector<uint8_t> data) {
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    return *this;
  }
  // The sequence, its size being every byte added (or `size` when given).
  const void *Data(int64_t size = -1) {
    const LV2_Atom atom{static_cast<uint32_t>(size >= 0 ? size : m_bytes.size() - sizeof(LV2_Atom)),
                        m_type};
    std::memcpy(m_bytes.data(), &atom, sizeof atom);
    m_words.assign((m_bytes.size() + 7) / 8 + 1, 0);
    std::memcpy(m_words.data(), m_bytes.data(), m_bytes.size());
    return m_words.data();
  }

private:
  void Put(const void *p, size_t n) {
    const size_t at = m_bytes.size();
    m_bytes.resize(at + n);
    std::memcpy(m_bytes.data() + at, p, n);
  }
  std::vector<uint8_t> m_bytes;
  std::vector<uint64_t> m_words;
  LV2_URID m_type = kSequence;
};

std::vector<SequenceEvent> ReadAll(const void *port, uint32_t frames = 100) {
  SequenceReader reader(port, Urids(), frames);
  std::vector<SequenceEvent> out;
  for (SequenceEvent e; reader.Next(e);)
    out.push_back(e);
  return out;
}

TEST(SequenceReader, WellFormedEventsInOrderWithTheirBytes) {
  Builder b;
  b.Add(0, 3, kMidi, {0x90, 60, 100})
      .Add(10, 0, kOther)
      .Add(10, 9, kMidi, {1, 2, 3, 4, 5, 6, 7, 8, 9});
  const std::vector<SequenceEvent> events = ReadAll(b.Data());
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].frame, 0u);
  EXPECT_EQ(events[0].type, kMidi);
  ASSERT_EQ(events[0].size, 3u);
  EXPECT_EQ(events[0].body[1], 60);
  EXPECT_EQ(events[1].type, kOther);
  EXPECT_EQ(events[1].size, 0u);
  EXPECT_EQ(events[2].size, 9u);
  EXPECT_EQ(events[2].body[8], 9);
  // The last event's padding may be left out of the sequence's size.
  Builder unpadded;
  unpadded.Add(4, 3, kMidi, {0x80, 60, 0}, false);
  EXPECT_EQ(ReadAll(unpadded.Data()).size(), 1u);
}

TEST(SequenceReader, FramesKeepTheirOrderWithinTheRun) {
  Builder b;
  b.Add(50, 1, kMidi, {0xF8}).Add(20, 1, kMidi, {0xF8}).Add(-5, 1, kMidi, {0xF8});
  b.Add(1000, 1, kMidi, {0xF8}).Add(60, 1, kMidi, {0xF8});
  std::vector<uint32_t> frames;
  for (const SequenceEvent &e : ReadAll(b.Data(), 80))
    frames.push_back(e.frame);
  EXPECT_EQ(frames, (std::vector<uint32_t>{50, 50, 50, 80, 80}));
  // Frames as a unit are frames; beats are not, and act at the run's start.
  Builder framed(kFrameTime), beats(kBeatTime);
  framed.Add(30, 1, kMidi, {0xF8});
  beats.Add(30, 1, kMidi, {0xF8});
  EXPECT_EQ(ReadAll(framed.Data()).at(0).frame, 30u);
  EXPECT_EQ(ReadAll(beats.Data()).at(0).frame, 0u);
}

TEST(SequenceReader, MalformedSequencesEndWhereTheyStopMakingSense) {
  // A body that claims more than the sequence holds: nothing from it on.
  Builder lying;
  lying.Add(0, 3, kMidi, {0x90, 60, 100}).Add(1, 1u << 20, kMidi, {0x90, 61, 100});
  lying.Add(2, 3, kMidi, {0x90, 62, 100});
  EXPECT_EQ(ReadAll(lying.Data()).size(), 1u);
  Builder wraps; // a size that wraps 32-bit arithmetic when padded
  wraps.Add(0, 0xFFFFFFFFu, kMidi, {1, 2, 3});
  EXPECT_TRUE(ReadAll(wraps.Data()).empty());
  // A header cut short by the sequence's end.
  Builder cut;
  cut.Add(0, 3, kMidi, {0x90, 60, 100}).Raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  EXPECT_EQ(ReadAll(cut.Data()).size(), 1u);
  // A body that ends one byte past the sequence.
  Builder over;
  over.Add(0, 3, kMidi, {0x90, 60, 100}, false);
  const void *port = over.Data(sizeof(LV2_Atom_Sequence_Body) + sizeof(LV2_Atom_Event) + 2);
  EXPECT_TRUE(ReadAll(port).empty());
  // Not a sequence, too small to be one, or nothing at all.
  Builder chunk(0, kOther);
  chunk.Add(0, 3, kMidi, {0x90, 60, 100});
  EXPECT_TRUE(ReadAll(chunk.Data()).empty());
  Builder tiny;
  EXPECT_TRUE(ReadAll(tiny.Data(4)).empty());
  EXPECT_TRUE(ReadAll(nullptr).empty());
  // Once at its end, the reader stays there.
  SequenceReader reader(lying.Data(), Urids(), 10);
  SequenceEvent e;
  EXPECT_TRUE(reader.Next(e));
  EXPECT_FALSE(reader.Next(e));
  EXPECT_FALSE(reader.Next(e));
}

TEST(SequenceReader, UridsAreMappedOnceOrNotAtAll) {
  SequenceUrids u;
  EXPECT_FALSE(u.Map(nullptr));
  LV2_URID_Map none{nullptr, nullptr};
  EXPECT_FALSE(u.Map(&none));
  LV2_URID_Map zero{nullptr, [](LV2_URID_Map_Handle, const char *) -> LV2_URID { return 0; }};
  EXPECT_FALSE(u.Map(&zero));
  EXPECT_EQ(u.sequence, 0u);
  LV2_URID_Map counting{nullptr, [](LV2_URID_Map_Handle, const char *uri) -> LV2_URID {
                          return static_cast<LV2_URID>(std::strlen(uri));
                        }};
  EXPECT_TRUE(u.Map(&counting));
  EXPECT_EQ(u.midiEvent, std::strlen(LV2_MIDI__MidiEvent));
}

} // namespace
