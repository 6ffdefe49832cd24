// Pin creation, pin statuses and timed events, driven by hand through the
// record so that every case a host could produce is reachable.
#include "framework_fixture.h"

#include <thread>

using namespace setest;
using sehost::PluginLibrary;
using testing::HasSubstr;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

class PinsAndEvents : public testing::Test {
protected:
  void SetUp() override {
    RawHost::Reset();
    lib = PluginLibrary::Load(TestPlugin());
  }
  SEModuleRecord *Open(intptr_t pin_count) {
    RawHost::pin_count = pin_count;
    auto *rec = static_cast<SEModuleRecord *>(lib->MakeModule()(0, MT_DSP, &RawHost::Callback, 0));
    // The command pin's variable is the module's; write a command before telling it.
    Call(rec, DOP_OPEN);
    return rec;
  }
  // Runs a command through the module's "Command" pin (DSP pin 1).
  void Command(SEModuleRecord *rec, int16_t command) {
    SEPinProperties p{};
    Call(rec, DOP_PIN_PROPERTIES, 2, 0, &p);
    *static_cast<int16_t *>(p.variable) = command;
    SendStatus(rec, RawHost::clock, kPinCommand, PS_ONCE);
  }
  // (status, datatype) of every pin object, as the module reports them.
  std::vector<std::pair<int32_t, intptr_t>> PinStates(SEModuleRecord *rec) {
    RawHost::requests.clear();
    Command(rec, kCmdReportPins);
    std::vector<std::pair<int32_t, intptr_t>> states;
    for (const auto &r : OfOpcode(RawHost::requests, kReportPinState))
      states.emplace_back(r.value, r.ptr);
    return states;
  }
  std::unique_ptr<PluginLibrary> lib;
};

} // namespace

TEST_F(PinsAndEvents, PinObjectsFollowTheHostsPinCount) {
  // Fewer pins than declared: only those are attached.
  SEModuleRecord *few = Open(3);
  auto states = PinStates(few);
  ASSERT_EQ(states.size(), 3u);
  EXPECT_EQ(states[0].second, DT_FSAMPLE);
  EXPECT_EQ(states[1].second, DT_CHOICE);
  EXPECT_EQ(states[2].second, DT_FSAMPLE);
  Call(few, DOP_CLOSE);

  // More pins: the last declared pin repeats, each extra pin asks for its
  // own buffer once (it has no module variable).
  RawHost::requests.clear();
  SEModuleRecord *many = Open(9);
  auto buffers = OfOpcode(RawHost::requests, HRQ_PIN_BUFFER);
  ASSERT_EQ(buffers.size(), 3u);
  EXPECT_EQ(buffers[0].index, 6);
  EXPECT_EQ(buffers[2].index, 8);
  states = PinStates(many);
  ASSERT_EQ(states.size(), 9u);
  const intptr_t datatypes[] = {DT_FSAMPLE, DT_CHOICE,  DT_FSAMPLE, DT_INT32,  DT_INT32,
                                DT_FSAMPLE, DT_FSAMPLE, DT_FSAMPLE, DT_FSAMPLE};
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(states[i].second, datatypes[i]) << "pin " << i;
  Call(many, DOP_CLOSE);
}

TEST_F(PinsAndEvents, StatusOnceFallsBackToStaticRunningStays) {
  SEModuleRecord *rec = Open(6);
  RawHost::requests.clear();
  SendStatus(rec, 0, kPinValueIn, PS_ONCE);
  SendStatus(rec, 0, kPinAudioIn, PS_RUNNING);
  auto changed = OfOpcode(RawHost::requests, kReportPinChanged);
  ASSERT_EQ(changed.size(), 2u);
  EXPECT_EQ(changed[0].index, kPinValueIn);
  EXPECT_EQ(changed[0].value, PS_ONCE) << "the module sees the new status during the call";
  auto states = PinStates(rec);
  EXPECT_EQ(states[kPinValueIn].first, PS_STATIC);
  EXPECT_EQ(states[kPinAudioIn].first, PS_RUNNING);
  Call(rec, DOP_CLOSE);
}

TEST_F(PinsAndEvents, EventTypesAndTheirDelivery) {
  SEModuleRecord *rec = Open(6);
  RawHost::requests.clear();
  for (int type : {6, 99, -1}) {
    SETimedEvent e{};
    e.event_type = type;
    e.ptr_value = 0;
    rec->event_entry(rec->instance, &e);
  }
  for (const auto &r : RawHost::requests)
    EXPECT_EQ(r.opcode, HRQ_SAMPLE_CLOCK);

  SETimedEvent data{};
  data.event_type = EV_DATA;
  data.int_value = -7;
  data.short_value = 0x00012345;
  rec->event_entry(rec->instance, &data);
  auto reported = OfOpcode(RawHost::requests, kReportEventData);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].index, 0x2345);
  EXPECT_EQ(reported[0].value, -7);
  Call(rec, DOP_CLOSE);
}

TEST_F(PinsAndEvents, BrokenPreconditionsAreReportedAndContained) {
  SEModuleRecord *rec = Open(6);
  RawHost::clock = 100;

  CaptureStderr();
  SendStatus(rec, 99, kPinAudioIn, PS_ONCE); // delivered at another clock
  EXPECT_THAT(GetCapturedStderr(),
              HasSubstr("e->time_stamp == SampleClock() [sdk\\SEModule_base]"));

  CaptureStderr();
  Command(rec, kCmdQueuePast);
  EXPECT_THAT(GetCapturedStderr(), HasSubstr("p_time_stamp >= SampleClock() [sdk\\SEModule_base]"));

  CaptureStderr();
  Command(rec, kCmdSampleOfChoice);
  EXPECT_THAT(GetCapturedStderr(), HasSubstr("m_datatype == DT_FSAMPLE [sdk\\SEPin]"));

  // Pin indices the instance has no pin for never reach a pin object.
  RawHost::requests.clear();
  for (int pin : {6, 50, -1, 1 << 30}) {
    CaptureStderr();
    SendStatus(rec, 100, pin, PS_RUNNING);
    EXPECT_THAT(GetCapturedStderr(), HasSubstr("SE assertion failed")) << pin;
  }
  EXPECT_TRUE(OfOpcode(RawHost::requests, kReportPinChanged).empty());
  // A module asking for a pin beyond the count gets an inert pin.
  Command(rec, kCmdPinBeyondCount);
  EXPECT_TRUE(OfOpcode(RawHost::requests, HRQ_PIN_STATUS).empty());

  // A routine event with an address the instance never queued is not run.
  SETimedEvent e{};
  e.time_stamp = 100;
  e.event_type = EV_RUN_ROUTINE;
  e.ptr_value = reinterpret_cast<intptr_t>(&RawHost::Callback);
  CaptureStderr();
  rec->event_entry(rec->instance, &e);
  EXPECT_THAT(GetCapturedStderr(), HasSubstr("SE assertion failed"));
  Call(rec, DOP_CLOSE);
}

TEST_F(PinsAndEvents, HostsThatAnswerNothingCannotBreakAnInstance) {
  for (bool null_host : {true, false}) {
    RawHost::Reset();
    RawHost::answer_zero = true;
    auto *rec = static_cast<SEModuleRecord *>(
        lib->MakeModule()(0, MT_DSP, null_host ? nullptr : &RawHost::Callback, 0));
    ASSERT_NE(rec, nullptr);
    Call(rec, DOP_OPEN); // pin count 0: no pin objects
    for (int pin : {0, 1, 5})
      SendStatus(rec, 0, pin, PS_RUNNING);
    SETimedEvent data{};
    data.event_type = EV_DATA;
    rec->event_entry(rec->instance, &data);
    rec->process(rec->instance, 0, 64);
    EXPECT_NE(Call(rec, DOP_PROCESS_REFERENCE), 0);
    EXPECT_EQ(Call(rec, DOP_CLOSE), 1);
    if (!null_host) {
      EXPECT_TRUE(OfOpcode(RawHost::requests, kReportPinChanged).empty());
    }
  }
}

TEST_F(PinsAndEvents, CurrentSampleReadsAtTheClockWithinTheBlock) {
  SEModuleRecord *rec = Open(6);
  std::vector<float> buffer(1024);
  for (size_t i = 0; i < buffer.size(); ++i)
    buffer[i] = static_cast<float>(i);
  SEPinProperties p{};
  Call(rec, DOP_PIN_PROPERTIES, 0, 0, &p);
  *static_cast<float **>(p.variable) = buffer.data();
  RawHost::clock = 1000;
  RawHost::block_start = 960;
  RawHost::requests.clear();
  SendStatus(rec, 1000, kPinAudioIn, PS_ONCE);
  auto changed = OfOpcode(RawHost::requests, kReportPinChanged);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].opt, 40.0f);
  // A clock outside the block the host says it is in reads nothing.
  RawHost::block_start = 2000;
  RawHost::requests.clear();
  SendStatus(rec, 1000, kPinAudioIn, PS_ONCE);
  EXPECT_EQ(OfOpcode(RawHost::requests, kReportPinChanged).at(0).opt, 0.0f);
  Call(rec, DOP_CLOSE);
}
