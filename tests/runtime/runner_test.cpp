// The runner driving the framework's test plugin, which reports what it sees
// (test_plugin_protocol.h) through requests the runner's listener records.
#include "event_heap.h"
#include "module_runner.h"
#include "module_table.h"
#include "plugin_library.h"
#include "plugin_path.h"
#include "test_plugin_protocol.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using se_runtime::ModuleRunner;

struct Seen {
  int32_t opcode, index, value;
  intptr_t ptr;
};

struct Recorder : se_runtime::RunnerListener {
  std::vector<Seen> requests;
  struct Posted {
    int pin;
    int64_t clock;
    int32_t status;
  };
  std::vector<Posted> posted;
  void Requested(int32_t opcode, int32_t index, int32_t value, void *ptr, float) override {
    requests.push_back({opcode, index, value, reinterpret_cast<intptr_t>(ptr)});
  }
  void StatusPosted(int pin, int64_t clock, int32_t status) override {
    posted.push_back({pin, clock, status});
  }
  std::vector<Seen> Of(int32_t opcode) const {
    std::vector<Seen> out;
    for (const Seen &s : requests)
      if (s.opcode == opcode)
        out.push_back(s);
    return out;
  }
};

// What the test plugin reports about one event, in one comparable form.
struct Delivery {
  int32_t kind, index, value;
  intptr_t ptr;
  bool operator==(const Delivery &) const = default;
};

std::vector<Delivery> Deliveries(const Recorder &r) {
  std::vector<Delivery> out;
  for (const Seen &s : r.requests)
    if (s.opcode == kReportPinChanged || s.opcode == kReportEventData)
      out.push_back({s.opcode, s.index, s.value, s.ptr});
  return out;
}

Delivery Changed(int pin, int32_t status, intptr_t value = 0) {
  return {kReportPinChanged, pin, status, value};
}
Delivery Data(int16_t short_value, int64_t clock, int32_t value = 0) {
  return {kReportEventData, short_value, value, static_cast<intptr_t>(static_cast<int32_t>(clock))};
}

SETimedEvent DataEvent(int32_t clock, int16_t short_value) {
  SETimedEvent e{};
  e.time_stamp = clock;
  e.event_type = EV_DATA;
  e.short_value = short_value;
  return e;
}

class Runner : public ::testing::Test {
protected:
  void SetUp() override {
    library = sehost::PluginLibrary::Load(setest::TestPluginPath("framework_test_plugin"));
  }
  // A runner of the test plugin with `recorder` listening, not yet open.
  std::unique_ptr<ModuleRunner> Make(int32_t capacity = 64) {
    auto r = std::make_unique<ModuleRunner>();
    r->SetListener(&recorder);
    EXPECT_TRUE(r->Create(library->Entry(), 44100.0f, capacity));
    return r;
  }
  // Runs up to (not including) `clock`, in calls of at most the capacity.
  static void RunTo(ModuleRunner &r, int64_t clock) {
    while (r.Clock() < clock)
      ASSERT_TRUE(
          r.Process(static_cast<int32_t>(std::min<int64_t>(clock - r.Clock(), r.Capacity()))));
  }

  std::unique_ptr<sehost::PluginLibrary> library;
  Recorder recorder;
};

TEST_F(Runner, AFullQueueRefusesNewEventsAndDeliversThoseItHolds) {
  auto r = Make();
  r->Open();
  RunTo(*r, 1); // the opening statuses are out
  int accepted = 0;
  while (r->QueueValueAt(1000 + accepted, kPinValueIn, accepted))
    ++accepted;
  EXPECT_EQ(accepted, ModuleRunner::kMaxEvents);
  EXPECT_FALSE(r->QueueStatusAt(5, kPinAudioIn, PS_RUNNING));
  EXPECT_FALSE(r->QueueEventAt(5, DataEvent(5, 1)));
  // A module's own event finds no room either: dropped, and counted.
  SETimedEvent own = DataEvent(7, 2);
  r->OnRequest(HRQ_ADD_EVENT, 0, 0, &own, 0.0f);
  EXPECT_EQ(r->DroppedEvents(), 1u);

  recorder.requests.clear();
  RunTo(*r, 1000 + accepted);
  const auto seen = Deliveries(recorder);
  ASSERT_EQ(seen.size(), static_cast<size_t>(accepted)) << "nothing refused arrives";
  for (int i = 0; i < accepted; ++i)
    ASSERT_EQ(seen[i], Changed(kPinValueIn, PS_ONCE, i)) << "in clock order, event " << i;
  EXPECT_TRUE(r->QueueValueAt(r->Clock(), kPinValueIn, 0)) << "room again once delivered";
}

TEST_F(Runner, AStoreOfTheOwnersHoldsAnyNumberOfEvents) {
  se_runtime::EventHeap heap;
  auto r = std::make_unique<ModuleRunner>();
  r->SetListener(&recorder);
  r->SetEventStore(&heap);
  ASSERT_TRUE(r->Create(library->Entry(), 44100.0f, 64));
  r->Open();
  RunTo(*r, 1);
  // Queued newest first: the store still hands them out in clock order.
  for (int i = 999; i >= 0; --i)
    ASSERT_TRUE(r->QueueValueAt(100 + i / 2, kPinValueIn, i));
  recorder.requests.clear();
  RunTo(*r, 700);
  std::vector<intptr_t> values;
  for (const Delivery &d : Deliveries(recorder))
    if (d.index == kPinValueIn)
      values.push_back(d.ptr);
  ASSERT_EQ(values.size(), 1000u);
  for (int i = 0; i < 1000; i += 2) {
    // Two per clock, in the order queued: the odd value was queued first.
    ASSERT_EQ(values[i], i + 1);
    ASSERT_EQ(values[i + 1], i);
  }
}

TEST_F(Runner, EventsAtOneClockArriveInTheOrderTheyWereQueued) {
  auto r = Make();
  r->SetValue(kPinCommand, kCmdInstallDouble);
  r->Open();
  RunTo(*r, 1);
  recorder.requests.clear();
  r->QueueValueAt(10, kPinValueIn, 1);
  r->QueueStatusAt(10, kPinAudioIn, PS_RUNNING);
  r->QueueValueAt(10, kPinValueIn, 2);
  r->QueueEventAt(10, DataEvent(0, 5));
  // An equal status still waiting is not queued twice; values always are.
  EXPECT_TRUE(r->QueueStatusAt(20, kPinAudioIn, PS_ONCE));
  EXPECT_TRUE(r->QueueStatusAt(20, kPinAudioIn, PS_ONCE));
  r->QueueValueAt(20, kPinValueIn, 3);
  r->QueueValueAt(20, kPinValueIn, 3);
  // The module's own event at 50 (queued while its command is delivered at
  // 40) comes after what was queued before that, and before what came after.
  r->QueueValueAt(40, kPinCommand, kCmdQueueData);
  r->QueueValueAt(50, kPinValueIn, 9);
  RunTo(*r, 45);
  r->QueueValueAt(50, kPinValueIn, 10);
  RunTo(*r, 64);
  const std::vector<Delivery> want = {
      Changed(kPinValueIn, PS_ONCE, 1), Changed(kPinAudioIn, PS_RUNNING),
      Changed(kPinValueIn, PS_ONCE, 2), Data(5, 10),
      Changed(kPinAudioIn, PS_ONCE),    Changed(kPinValueIn, PS_ONCE, 3),
      Changed(kPinValueIn, PS_ONCE, 3), Changed(kPinCommand, PS_ONCE, kCmdQueueData),
      Changed(kPinValueIn, PS_ONCE, 9), Data(0x2345, 50, 7),
      Changed(kPinValueIn, PS_ONCE, 10)};
  EXPECT_EQ(Deliveries(recorder), want);
  // The stretches between them, each from its offset in the call.
  std::vector<std::pair<int32_t, int32_t>> stretches;
  for (const Seen &s : recorder.Of(kReportProcess))
    stretches.emplace_back(s.index, s.value);
  EXPECT_EQ(stretches, (std::vector<std::pair<int32_t, int32_t>>{
                           {0, 9}, {9, 10}, {19, 20}, {39, 5}, {0, 5}, {5, 14}}));

  // Once delivered, the same status may come again; one due before the
  // coming call arrives at its first sample.
  recorder.requests.clear();
  EXPECT_TRUE(r->QueueStatusAt(20, kPinAudioIn, PS_ONCE));
  ASSERT_TRUE(r->Process(8));
  EXPECT_EQ(Deliveries(recorder), (std::vector<Delivery>{Changed(kPinAudioIn, PS_ONCE)}));
  EXPECT_EQ(recorder.Of(kReportProcess).front().index, 0);
}

TEST_F(Runner, ASleepingModuleRunsNoRoutineUntilAnInputEvent) {
  for (bool silence : {true, false}) {
    SCOPED_TRACE(silence ? "silence while asleep" : "outputs kept");
    auto r = Make(32);
    r->SetSilenceWhileAsleep(silence);
    r->SetValue(kPinCommand, kCmdInstallDouble);
    std::fill(r->Buffer(kPinAudioIn), r->Buffer(kPinAudioIn) + 32, 0.25f);
    r->Open();
    r->QueueValueAt(40, kPinCommand, kCmdSleep);
    RunTo(*r, 64);
    EXPECT_TRUE(r->Sleeping());
    const int calls = r->ProcessCalls();
    SETimedEvent own = DataEvent(70, 1); // the module's own event does not wake it
    r->OnRequest(HRQ_ADD_EVENT, 0, 0, &own, 0.0f);
    r->QueueStatusAt(64 + 20, kPinAudioIn, PS_ONCE);
    ASSERT_TRUE(r->Process(32));
    EXPECT_FALSE(r->Sleeping());
    EXPECT_EQ(r->ProcessCalls(), calls + 1) << "one routine call, from the waking event on";
    const float *out = r->PinBuffer(kPinAudioOut);
    EXPECT_EQ(out[19], silence ? 0.0f : 0.5f);
    EXPECT_EQ(out[20], 0.5f);
  }
}

TEST_F(Runner, AnswersRequestsFromItsOwnState) {
  auto r = Make();
  ASSERT_TRUE(r->AddPins(2));
  EXPECT_EQ(r->PinCount(), 8);
  EXPECT_EQ(r->ListIndex(kPinCommand), 2) << "a GUI-only pin comes before it in the list";
  EXPECT_EQ(r->ListIndex(7), -1);
  r->SetConnected(kPinAudioIn, true);
  float mine[64] = {};
  r->Bind(kPinAudioOut, mine);
  auto ask = [&](int32_t opcode, int32_t index = 0) {
    return r->OnRequest(opcode, index, 0, nullptr, 0.0f);
  };
  EXPECT_EQ(ask(HRQ_PIN_COUNT), 8);
  EXPECT_EQ(ask(HRQ_PIN_CONNECTED, kPinAudioIn), 1);
  EXPECT_EQ(ask(HRQ_PIN_CONNECTED, kPinValueIn), 0);
  EXPECT_EQ(ask(HRQ_PIN_CONNECTED, 99), 0);
  EXPECT_EQ(ask(HRQ_PIN_BUFFER, kPinAudioOut), reinterpret_cast<intptr_t>(mine));
  EXPECT_EQ(ask(HRQ_PIN_BUFFER, 7), reinterpret_cast<intptr_t>(r->Buffer(7)));
  EXPECT_EQ(ask(HRQ_PIN_BUFFER, -1), 0);
  EXPECT_EQ(ask(12345), 0);

  // Opened just before the 32-bit clock wraps: the module's clocks are read
  // relative to the current call, so its routine and its posted status land
  // at the 64-bit clocks meant.
  const int64_t start = (int64_t{1} << 32) - 20;
  r->SetValue(kPinCommand, kCmdQueueRoutine); // routine due 5 after the opening status
  r->Open(start);
  EXPECT_EQ(ask(HRQ_BLOCK_START_CLOCK), static_cast<int32_t>(start));
  r->QueueValueAt(start + 30, kPinCommand, kCmdPostValueRunning);
  RunTo(*r, start + 64);
  const auto ran = recorder.Of(kReportRoutineRan);
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0].index, static_cast<int32_t>(start + 5)) << "HRQ_SAMPLE_CLOCK at the routine";
  ASSERT_EQ(recorder.posted.size(), 1u);
  EXPECT_EQ(recorder.posted[0].pin, kPinValueOut);
  EXPECT_EQ(recorder.posted[0].clock, start + 30);
  EXPECT_EQ(recorder.posted[0].status, PS_RUNNING);
  EXPECT_EQ(ask(HRQ_SAMPLE_CLOCK), static_cast<int32_t>(start + 64)) << "between calls";

  // A linked input reads the output's variable when its event arrives.
  Recorder second_seen;
  ModuleRunner second;
  second.SetListener(&second_seen);
  ASSERT_TRUE(second.Create(library->Entry(), 44100.0f, 64));
  second.LinkValue(kPinValueIn, r->Pin(kPinValueOut).variable);
  second.Open();
  ASSERT_TRUE(second.Process(1));
  std::vector<Delivery> link;
  for (const Delivery &d : Deliveries(second_seen))
    if (d.index == kPinValueIn)
      link.push_back(d);
  EXPECT_EQ(link, (std::vector<Delivery>{Changed(kPinValueIn, PS_ONCE, 0x12345678)}));
  EXPECT_EQ(r->OutputValue(kPinValueOut), 0x12345678);
}

// A makeModule that answers with a record of the wrong kind.
SEModuleRecord g_not_dsp{};
void *SE_CDECL MakeNotDsp(int32_t, int32_t, SEHostCallback, intptr_t) { return &g_not_dsp; }
void *SE_CDECL MakeNothing(int32_t, int32_t, SEHostCallback, intptr_t) { return nullptr; }

TEST_F(Runner, RefusesWhatItCannotRunAndStopsWhenClosed) {
  for (SEMakeModuleFn make : {&MakeNothing, &MakeNotDsp}) {
    ModuleRunner r;
    EXPECT_FALSE(r.Create({nullptr, make}, 44100.0f, 64));
    r.Open();
    EXPECT_FALSE(r.QueueValueAt(0, 0, 1));
    EXPECT_TRUE(r.Process(8));
    EXPECT_EQ(r.Record(), nullptr);
  }
  auto r = Make();
  EXPECT_FALSE(r->Create(library->Entry(), 44100.0f, 64)) << "one instance per runner";
  EXPECT_FALSE(r->AddPins(ModuleRunner::kMaxPins)) << "past the pin limit";
  r->Open();
  EXPECT_FALSE(r->AddPins(1)) << "after open";
  RunTo(*r, 64);
  const int calls = r->ProcessCalls();
  r->QueueValueAt(70, kPinValueIn, 1);
  r->Close();
  EXPECT_EQ(r->Record(), nullptr);
  EXPECT_EQ(recorder.Of(kReportClosed).size(), 1u);
  EXPECT_FALSE(r->QueueValueAt(80, kPinValueIn, 1));
  EXPECT_EQ(r->Dispatch(DOP_OPEN, 0, 0, nullptr, 0.0f), 0);
  EXPECT_TRUE(r->Process(64));
  EXPECT_EQ(r->ProcessCalls(), calls);
}

TEST(ModuleTable, FindsEveryModuleOfTheBuildByItsPluginName) {
  const se_runtime::ModuleTable &table = se_runtime::StaticModules();
  ASSERT_EQ(table.Count(), 3u);
  for (const char *name : {"ladder_filter", "audio_oscillator", "wavetable_generator"}) {
    const se::PluginEntry *entry = table.Find(name);
    ASSERT_NE(entry, nullptr) << name;
    // The compiled-in module describes itself as its file does.
    const auto from_file = sehost::PluginLibrary::Load(setest::PluginPath(name));
    const auto compiled = sehost::PluginLibrary::FromEntry(name, *entry);
    EXPECT_EQ(compiled->Description().id, from_file->Description().id);
    EXPECT_EQ(compiled->Pins().size(), from_file->Pins().size());
  }
  EXPECT_EQ(table.Find("framework_test"), nullptr);
  EXPECT_EQ(table.Find(nullptr), nullptr);
  EXPECT_EQ(sehost::PluginLibrary::NameOf("C:\\plugins\\ladder_filter.dll"), "ladder_filter");
  EXPECT_EQ(sehost::PluginLibrary::NameOf("/usr/lib/x.y/audio_oscillator.so"), "audio_oscillator");
}

} // namespace
