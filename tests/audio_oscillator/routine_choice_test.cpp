// The oscillator's routine choice against a record of the choice it made
// before the choice became a table: for every combination of the state it
// reads (valid values and out-of-range ones, every waveform kind), the routine
// installed and the routine a sync routine runs between sync points, as the
// hash of the record's text. The record was taken from the module itself,
// driven through its own pin state, before the table replaced its switch.
#include "routine_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

namespace setest {
namespace {

using osc::RoutineId;

const char *Name(RoutineId id) {
  switch (id) {
  case RoutineId::kKeep: return "keep";
  case RoutineId::kLow: return "Low";
  case RoutineId::kHigh: return "High";
  case RoutineId::kSyncLow: return "SyncLow";
  case RoutineId::kSyncHighOct: return "SyncHighOct";
  case RoutineId::kSyncHighLinear: return "SyncHighLinear";
  }
  return "?";
}

uint64_t Fnv1a(const std::string &text) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 0x100000001b3ull;
  }
  return h;
}

// One line per state, in the record's order and format: hold, active,
// accuracy, pitch and adjust streaming, sync streaming, sync accuracy, pitch
// mode, waveform; then the installed and the inner routine.
std::string ChoiceRecord() {
  const int16_t holds[] = {0, 1, -1};
  const int16_t actives[] = {0, 1, 2};
  const int16_t accuracies[] = {0, 1, 2, -1};
  const int16_t sync_accuracies[] = {0, 1, 2, -1};
  const int16_t modes[] = {0, 1, 2, 3, -1};
  // Sine, a plain and two pulse forms, noise and a value beyond the list: the
  // choice does not depend on the waveform (a Waveform change makes none).
  const uint16_t waveforms[] = {0, 1, 11, 20, 255, 100};
  std::string text;
  char line[96];
  for (int16_t hold : holds)
    for (int16_t active : actives)
      for (int16_t accuracy : accuracies)
        for (int ps = 0; ps < 2; ++ps)
          for (int as = 0; as < 2; ++as)
            for (int ss = 0; ss < 2; ++ss)
              for (int16_t sa : sync_accuracies)
                for (int16_t mode : modes)
                  for (uint16_t waveform : waveforms) {
                    const osc::RoutineChoice c = osc::ChooseRoutineFor(
                        {hold, active, accuracy, ps != 0, as != 0, ss != 0, sa, mode});
                    std::snprintf(line, sizeof line, "%d %d %d %d %d %d %d %d %u %s %s\n", hold,
                                  active, accuracy, ps, as, ss, sa, mode, waveform,
                                  Name(c.installed), Name(c.inner));
                    text += line;
                  }
  return text;
}

TEST(OscillatorRoutineChoice, MatchesTheRecordOfTheChoiceBeforeTheTable) {
  const std::string record = ChoiceRecord();
  EXPECT_EQ(std::count(record.begin(), record.end(), '\n'), 34560);
  EXPECT_EQ(Fnv1a(record), 0x13e7c08a383d45f9ull);
}

// A few rows of the record, readable.
TEST(OscillatorRoutineChoice, NamedCases) {
  auto choose = [](int16_t accuracy, bool pitch_streams, bool sync_streams, int16_t sync_accuracy,
                   int16_t mode) {
    return osc::ChooseRoutineFor(
        {0, 1, accuracy, pitch_streams, false, sync_streams, sync_accuracy, mode});
  };
  // A static pitch is read once per call, whatever the accuracy.
  EXPECT_EQ(choose(1, false, false, 1, 0).installed, RoutineId::kLow);
  EXPECT_EQ(choose(1, true, false, 1, 0).installed, RoutineId::kHigh);
  // Sync High picks its phase arithmetic by the pitch mode; unknown modes read linearly.
  EXPECT_EQ(choose(1, true, true, 1, 0).installed, RoutineId::kSyncHighOct);
  EXPECT_EQ(choose(1, true, true, 1, 3).installed, RoutineId::kSyncHighLinear);
  EXPECT_EQ(choose(1, true, true, 1, 3).inner, RoutineId::kHigh);
  EXPECT_EQ(choose(0, true, true, 0, 0).installed, RoutineId::kSyncLow);
  EXPECT_EQ(choose(0, true, true, 0, 0).inner, RoutineId::kLow);
  // An unlisted sync accuracy keeps the routine in place but sets the inner one.
  EXPECT_EQ(choose(1, true, true, 7, 0).installed, RoutineId::kKeep);
  EXPECT_EQ(choose(1, true, true, 7, 0).inner, RoutineId::kHigh);
  // Held or inactive: nothing changes.
  const osc::RoutineChoice held = osc::ChooseRoutineFor({1, 1, 1, true, true, true, 1, 0});
  EXPECT_EQ(held.installed, RoutineId::kKeep);
  EXPECT_EQ(held.inner, RoutineId::kKeep);
}

} // namespace
} // namespace setest
