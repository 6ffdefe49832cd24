// The module as the host sees it: description, pins, status, routine
// installation, topology changes, ducking, silence and sleep.
#include "ladder_harness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace ladder_test;

namespace {

int CountRequests(const sehost::Host &host, int id, int32_t opcode) {
  int n = 0;
  for (const auto &r : host.Requests(id))
    n += r.opcode == opcode ? 1 : 0;
  return n;
}

Scenario Running() {
  Scenario s;
  s.length = 512;
  s.signal = Saw(s.length, 150.0, 0.8);
  s.pitch = Ramp(s.length, 0.3f, 0.7f);
  return s;
}

} // namespace

TEST(LadderModule, Description) {
  sehost::Host host;
  auto &lib = host.Load(setest::PluginPath("ladder_filter"));
  const auto get = lib.GetModuleProperties();
  ASSERT_NE(get, nullptr);
  SEModuleProperties props;
  std::memset(&props, 0, sizeof props);
  ASSERT_EQ(get(0, &props), 1);
  EXPECT_STREQ(props.name, "DO DI Zuderu 3");
  EXPECT_STREQ(props.id, "DO DI Zuderu 3");
  EXPECT_EQ(props.sdk_version, 2230);
  const std::string about = props.about;
  EXPECT_EQ(about.rfind("DO DI Zuderu 3\n", 0), 0u);
  const std::string tail = "2, 3, 4 or 5 pole ladder with selectable resonance tap point\n"
                           "\n"
                           " * Pitch: 0-10V (2 - 10.5V) \n"
                           " * Resonance: 0 - 10 V\n"
                           " * Zing (F->Q): 0.1V -50V (10V default) {Expert Pin}\n"
                           " * Filter Tap: 2-5 stages\n"
                           " * Q Tap: 2-5 stages\n"
                           " * Emulate: Analog or Digital \n"
                           " * Variant: Clear or Fuzzy {Expert Pin}\n"
                           " * Type: LP (Low pass), HP (High Pass)\n";
  ASSERT_GT(about.size(), tail.size());
  EXPECT_EQ(about.substr(about.size() - tail.size()), tail);

  // The version is written whatever the index; nothing else is.
  SEModuleProperties other;
  std::memset(&other, 0, sizeof other);
  EXPECT_EQ(get(1, &other), 0);
  EXPECT_EQ(other.sdk_version, 2230);
  EXPECT_EQ(other.name, nullptr);

  // DSP instances only.
  const auto make = lib.MakeModule();
  EXPECT_EQ(make(0, MT_GUI, nullptr, 0), nullptr);
  EXPECT_EQ(make(1, MT_DSP, nullptr, 0), nullptr);

  const int id = host.Add(lib);
  const auto pins = host.Pins(id);
  ASSERT_EQ(pins.size(), 11u);
  struct Want {
    const char *name;
    int direction, datatype;
    const char *def, *text;
  };
  const Want want[11] = {
      {"Signal", DR_IN, DT_FSAMPLE, "0", ""},
      {"Pitch", DR_IN, DT_FSAMPLE, "5", ""},
      {"Resonance", DR_IN, DT_FSAMPLE, "5", ""},
      {"(Zing)", DR_IN, DT_FSAMPLE, "10", "5,15,5,15"},
      {"Type", DR_IN, DT_CHOICE, "0", "LP=0, HP=1"},
      {"Filter Tap", DR_IN, DT_CHOICE, "3", "2 = 0, 3 = 1, 4 =2, 5 = 3, X = 4"},
      {"Q Tap", DR_IN, DT_CHOICE, "3", "2 = 0, 3 = 1, 4 =2, 5 = 3"},
      {"Emulate", DR_IN, DT_CHOICE, "1", "Analog = 0, Digital = 1"},
      {"(Version)", DR_IN, DT_CHOICE, "0", "Clear = 0, Furry = 1"},
      {"Bass Boost", DR_IN, DT_CHOICE, "2", "None = 0, Low = 1, Default = 2, Extra = 3"},
      {"Output", DR_OUT, DT_FSAMPLE, "", ""},
  };
  for (size_t i = 0; i < pins.size(); ++i) {
    EXPECT_EQ(pins[i].name, want[i].name);
    EXPECT_EQ(pins[i].direction, want[i].direction) << i;
    EXPECT_EQ(pins[i].datatype, want[i].datatype) << i;
    EXPECT_EQ(pins[i].default_text, want[i].def) << i;
    EXPECT_EQ(pins[i].datatype_text, want[i].text) << i;
    EXPECT_EQ(pins[i].flags, 0u) << i;
  }
}

TEST(LadderModule, SilenceHoldsForEveryBlockLengthAfterSleep) {
  // Loud audio fills the whole buffer; the signal stops while the host runs
  // one-sample blocks, and then the blocks grow and shrink: every sample of
  // every block is silent, asleep or not.
  Scenario s;
  s.block = 256;
  s.signal = Saw(1024, 220.0, 0.9);
  sehost::Host host(s.rate, s.block);
  const int id = AddFilter(host, s);
  host.Open();
  host.Render(id, ladder::kOutputPin, 512);
  host.SetBlockSize(1);
  SETimedEvent stop{};
  stop.time_stamp = 515;
  stop.event_type = EV_PIN_STATUS;
  stop.int_value = PS_ONCE;
  stop.ptr_value = ladder::kSignalPin;
  host.QueueEvent(id, stop);
  for (int32_t size : {1, 1, 1, 1, 1, 1, 1, 1, 256, 7, 256, 100, 1, 256, 256}) {
    host.SetBlockSize(size);
    host.ProcessBlock();
    if (host.Clock() <= 515)
      continue;
    const float *out = host.Buffer(id, ladder::kOutputPin);
    for (int32_t i = 0; i < size; ++i)
      ASSERT_EQ(out[i], 0.0f) << "block of " << size << ", sample " << i;
  }
  EXPECT_TRUE(host.Sleeping(id));
}

TEST(LadderModule, StatusFollowsTheSignalAndSilenceSleeps) {
  // A signal that does not stream: silence, a static output, and sleep after
  // one block of silence.
  {
    Scenario s;
    s.signalConst = 0.3f;
    sehost::Host host(s.rate, s.block);
    const int id = AddFilter(host, s);
    host.RecordRequests(id, true);
    host.Open();
    const auto out = host.Render(id, ladder::kOutputPin, 4 * s.block);
    for (float y : out)
      ASSERT_EQ(y, 0.0f);
    const auto &req = host.Requests(id);
    int statuses = 0;
    for (const auto &r : req)
      if (r.opcode == HRQ_PIN_STATUS) {
        ++statuses;
        EXPECT_EQ(r.index, ladder::kOutputPin);
        EXPECT_LT(r.value, PS_RUNNING);
        EXPECT_EQ(r.ptr, 0);
      }
    EXPECT_EQ(statuses, 10); // one per input's status at open
    EXPECT_TRUE(host.Sleeping(id));
    EXPECT_EQ(host.ProcessCalls(id), 1);
    EXPECT_EQ(CountRequests(host, id, HRQ_SLEEP), 1);
  }
  // A pin change restarts the countdown of one block: the first call of 10
  // samples and the next of 54 leave it above zero, the third asks for sleep.
  {
    Scenario s;
    sehost::Host host(s.rate, s.block);
    const int id = AddFilter(host, s);
    host.ScheduleValue(id, ladder::kTypePin, 10, 1);
    host.RecordRequests(id, true);
    host.Open();
    host.ProcessBlock();
    EXPECT_FALSE(host.Sleeping(id));
    EXPECT_EQ(CountRequests(host, id, HRQ_SLEEP), 0);
    host.ProcessBlock();
    EXPECT_TRUE(host.Sleeping(id));
    EXPECT_EQ(host.ProcessCalls(id), 3);
  }
  // A streaming signal that stops and starts again: the output status follows
  // at the exact clock, silence in between, then a fresh ladder.
  {
    Scenario s = Running();
    sehost::Host host(s.rate, s.block);
    const int id = AddFilter(host, s);
    SETimedEvent stop{};
    stop.time_stamp = 128;
    stop.event_type = EV_PIN_STATUS;
    stop.int_value = PS_ONCE;
    stop.ptr_value = ladder::kSignalPin;
    SETimedEvent start = stop;
    start.time_stamp = 320;
    start.int_value = PS_RUNNING;
    host.QueueEvent(id, stop);
    host.QueueEvent(id, start);
    host.ScheduleValue(id, ladder::kTypePin, 320, 0); // wakes the sleeping instance
    host.RecordRequests(id, true);
    host.Open();
    const auto out = host.Render(id, ladder::kOutputPin, s.length);
    std::vector<std::pair<intptr_t, int32_t>> posted;
    for (const auto &r : host.Requests(id))
      if (r.opcode == HRQ_PIN_STATUS)
        posted.emplace_back(r.ptr, r.value);
    ASSERT_GE(posted.size(), 12u);
    for (size_t i = 0; i < 10; ++i)
      EXPECT_EQ(posted[i], std::make_pair(intptr_t{0}, int32_t{PS_RUNNING}));
    EXPECT_EQ(posted[10], std::make_pair(intptr_t{128}, int32_t{PS_ONCE}));
    EXPECT_EQ(posted[11], std::make_pair(intptr_t{320}, int32_t{PS_RUNNING}));
    EXPECT_EQ(CountRequests(host, id, HRQ_SLEEP), 1);

    const auto full = RunReference(s);
    for (int i = 0; i < 128; ++i)
      ASSERT_NEAR(out[i], full[i], 1e-5);
    for (int i = 128; i < 320; ++i)
      ASSERT_EQ(out[i], 0.0f);
    // From 320 the ladder starts empty with a restart, as after open.
    Reference ref(s.rate);
    ref.Open(s.choices);
    ref.PinChanged(s.choices, true);
    const std::vector<float> r(64, s.resonanceConst), z(64, s.zingConst);
    for (int at = 320; at < s.length; at += 64) {
      float want[64];
      ref.Process(&s.signal[at], &s.pitch[at], r.data(), z.data(), 64, want);
      for (int j = 0; j < 64; ++j)
        ASSERT_NEAR(out[at + j], want[j], 1e-5) << at + j;
    }
  }
}

TEST(LadderModule, TopologyChangeAgainstTypeAndVersionChange) {
  struct Case {
    int pin, value;
    int routineChanges; // HRQ_PROCESS_CHANGED after open
    bool rebuilds;
  };
  const Case cases[] = {
      {ladder::kTypePin, 1, 0, false},      // same routine, reads the type per call
      {ladder::kVersionPin, 1, 1, false},   // the other version, same state
      {ladder::kBassBoostPin, 3, 0, false}, // new boost values only
      {ladder::kFilterTapPin, 2, 1, true},
      {ladder::kQTapPin, 1, 1, true},
      {ladder::kEmulatePin, 0, 1, true},
      {ladder::kFilterTapPin, 9, 1, true}, // to routine 0 through the fallback
      {ladder::kFilterTapPin, 4, 0,
       true}, // X with Q Tap 5: routine 31 stays, the ladder is rebuilt
  };
  for (const Case &c : cases) {
    Scenario s = Running();
    s.changes = {{200, c.pin, c.value}};
    sehost::Host host(s.rate, s.block);
    const int id = AddFilter(host, s);
    host.Open();
    host.RecordRequests(id, true);
    const auto got = host.Render(id, ladder::kOutputPin, s.length);
    EXPECT_EQ(CountRequests(host, id, HRQ_PROCESS_CHANGED), c.routineChanges) << c.pin;
    const auto want = RunReference(s);
    EXPECT_LT(MaxError(got, want), 2e-4) << c.pin;
    // Keeping the state and rebuilding it sound clearly different.
    const auto rebuilt = RunReference(s, [](Reference &r) { r.forceRebuild = true; });
    if (!c.rebuilds) {
      EXPECT_GT(MaxError(got, rebuilt), 1e-2) << c.pin;
    }
  }
  // The topology change keeps a fifth of the feedback: an empty ladder with
  // the old feedback, not an empty ladder without it.
  Scenario s = Running();
  s.resonanceConst = 0.9f;
  s.changes = {{256, ladder::kQTapPin, 2}};
  EXPECT_LT(MaxError(RunPlugin(s), RunReference(s)), 2e-4);
}

TEST(LadderModule, DuckingRampsPerCall) {
  // A hot start triggers once: the calls are scaled 0.9 ... 0.4, held at 0.3
  // for 116 calls, then 0.4 ... 0.9, and left alone after that.
  Scenario s;
  s.block = 16;
  s.length = 16 * 140;
  s.choices.filterTap = 0;
  s.choices.qTap = 0; // routine 1, gain 0.5
  s.pitchConst = 1.0f;
  s.resonanceConst = 0.2f;
  s.signal = Saw(s.length, 200.0, 0.05);
  for (int i = 0; i < 40; ++i)
    s.signal[static_cast<size_t>(i)] = 20.0f;
  const auto got = RunPlugin(s);
  const auto plain = RunReference(s, [](Reference &r) { r.duckingEnabled = false; });
  ASSERT_GT(plain[0], 2.0f);
  ASSERT_GT(plain[16], 2.0f);
  for (int call = 0; call < 140; ++call) {
    const int count = 128 - call; // count during this call
    double factor = 1.0;
    if (count >= 1) {
      const int fromEnd = std::min(count - 1, 128 - count);
      factor = fromEnd < 6 ? 0.9 - 0.1 * fromEnd : 0.3;
    }
    for (int j = 0; j < 16; ++j) {
      const size_t i = static_cast<size_t>(call * 16 + j);
      ASSERT_NEAR(got[i], plain[i] * factor, 1e-5 + 1e-4 * std::fabs(plain[i])) << call;
    }
  }
  // A retrigger while the count is below 64 jumps to 64; a hot negative first
  // sample never triggers.
  for (float hot : {20.0f, -20.0f}) {
    for (int i = 16 * 100; i < 16 * 100 + 40; ++i)
      s.signal[static_cast<size_t>(i)] = hot;
    EXPECT_LT(MaxError(RunPlugin(s), RunReference(s)), 2e-4);
  }
  Scenario negative = s;
  for (float &y : negative.signal)
    y = -std::fabs(y) * 2;
  EXPECT_LT(MaxError(RunPlugin(negative),
                     RunReference(negative, [](Reference &r) { r.duckingEnabled = false; })),
            2e-4);
}
