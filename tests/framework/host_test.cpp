// Our host driving the test plugin: open sequence, block splitting at events,
// status and value transport between instances, sleep, and patch errors.
#include "framework_fixture.h"

using namespace setest;
using sehost::ArraySource;
using sehost::Host;
using sehost::HostError;
using sehost::Request;

namespace {

std::vector<std::pair<int32_t, int32_t>> Stretches(const std::vector<Request> &requests) {
  std::vector<std::pair<int32_t, int32_t>> out;
  for (const auto &r : OfOpcode(requests, kReportProcess))
    out.emplace_back(r.index, r.value);
  return out;
}

using Stretch = std::pair<int32_t, int32_t>;

} // namespace

TEST(OurHost, OpensWithRateAndSizeThenSendsEveryInputItsStatus) {
  Host host(48000.0f, 64);
  int a = host.Add(host.Load(TestPlugin()));
  host.Feed(a, kPinAudioIn, std::make_unique<ArraySource>(std::vector<float>(256, 0.5f)));
  host.RecordRequests(a, true);
  host.Open();
  host.ProcessBlock();
  const auto &req = host.Requests(a);
  auto opened = OfOpcode(req, kReportOpened);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].index, 6) << "pin count";
  EXPECT_EQ(opened[0].value, 64);
  EXPECT_EQ(opened[0].opt, 48000.0f);
  auto changed = OfOpcode(req, kReportPinChanged);
  ASSERT_EQ(changed.size(), 4u) << "one status for each of the four inputs";
  EXPECT_EQ(changed[0].index, kPinAudioIn);
  EXPECT_EQ(changed[0].value, PS_RUNNING) << "fed by a streaming source";
  EXPECT_EQ(changed[0].opt, 0.5f);
  EXPECT_EQ(changed[1].index, kPinCommand);
  EXPECT_EQ(changed[1].value, PS_ONCE);
  EXPECT_EQ(changed[3].index, kPinRepeat);
  EXPECT_EQ(OfOpcode(req, HRQ_PIN_CONNECTED).size(), 0u);
}

TEST(OurHost, SplitsBlocksAtEventsAndInstallsRoutinesOnce) {
  Host host(44100.0f, 64);
  int a = host.Add(host.Load(TestPlugin()));
  host.SetValue(a, kPinCommand, kCmdInstallDouble);
  host.ScheduleValue(a, kPinCommand, 20, kCmdInstallDouble);
  host.ScheduleValue(a, kPinCommand, 20, kCmdInstallNegative); // same clock: in queue order
  host.ScheduleValue(a, kPinCommand, 100, kCmdInstallDouble);
  host.RecordRequests(a, true);
  host.Open();
  const auto out = host.Render(a, kPinAudioOut, 128);
  EXPECT_EQ(Stretches(host.Requests(a)),
            (std::vector<Stretch>{{0, 20}, {20, 44}, {0, 36}, {36, 28}}));
  EXPECT_EQ(OfOpcode(host.Requests(a), HRQ_PROCESS_CHANGED).size(), 3u);
  EXPECT_EQ(out[19], 0.5f) << "default 2.5 V doubled";
  EXPECT_EQ(out[20], -1.0f);
  EXPECT_EQ(out[99], -1.0f);
  EXPECT_EQ(out[100], 0.5f);
}

TEST(OurHost, CarriesStatusAndValueToConnectedInputsAtTheClock) {
  Host host(44100.0f, 64);
  auto &lib = host.Load(TestPlugin());
  int up = host.Add(lib, "up");
  int down = host.Add(lib, "down");
  // Added downstream first on purpose: the open order follows the wires.
  host.Connect(up, "Value Out", down, "Value In");
  host.Connect(up, "Audio Out", down, "Audio In");
  host.SetValue(up, kPinCommand, kCmdInstallDouble);
  host.SetValue(down, kPinCommand, kCmdInstallDouble);
  host.ScheduleValue(up, kPinCommand, 10, kCmdPostValueRunning);
  host.RecordRequests(down, true);
  host.RecordRequests(up, true);
  host.Open();
  const auto out = host.Render(down, "Audio Out", 64);
  EXPECT_EQ(out[0], 1.0f) << "2.5 V doubled twice";

  auto posted = OfOpcode(host.Requests(up), HRQ_PIN_STATUS);
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].index, kPinValueOut);
  EXPECT_EQ(posted[0].ptr, 10) << "the clock travels in ptr";
  std::vector<Request> seen;
  for (const auto &r : OfOpcode(host.Requests(down), kReportPinChanged))
    if (r.index == kPinValueIn)
      seen.push_back(r);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].value, PS_RUNNING);
  EXPECT_EQ(seen[1].ptr, 0x12345678) << "the output's value arrives before the event";
  EXPECT_EQ(Stretches(host.Requests(down)), (std::vector<Stretch>{{0, 10}, {10, 54}}));
  auto connected = host.Dispatch(down, DOP_PROCESS_REFERENCE, 0, 0, nullptr, 0.0f);
  EXPECT_NE(connected, 0);
}

TEST(OurHost, QueuedEventsAndRoutinesArriveAtTheirClock) {
  Host host(44100.0f, 32);
  int a = host.Add(host.Load(TestPlugin()));
  host.ScheduleValue(a, kPinCommand, 40, kCmdQueueData);    // EV_DATA due at 50
  host.ScheduleValue(a, kPinCommand, 41, kCmdQueueRoutine); // routine due at 46
  host.RecordRequests(a, true);
  host.Open();
  host.Render(a, kPinAudioOut, 96);
  auto data = OfOpcode(host.Requests(a), kReportEventData);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0].ptr, 50);
  EXPECT_EQ(data[0].value, 7);
  EXPECT_EQ(data[0].index, 0x2345);
  auto ran = OfOpcode(host.Requests(a), kReportRoutineRan);
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0].index, 46);
  auto queued = OfOpcode(host.Requests(a), HRQ_ADD_EVENT);
  ASSERT_EQ(queued.size(), 2u);
  EXPECT_EQ(queued[0].event.event_type, EV_DATA);
  EXPECT_EQ(queued[1].event.event_type, EV_RUN_ROUTINE);
  EXPECT_EQ(queued[1].event.reserved, 0);
}

TEST(OurHost, SleepStopsProcessingUntilAnInputChanges) {
  Host host(44100.0f, 64);
  int a = host.Add(host.Load(TestPlugin()));
  host.SetValue(a, kPinCommand, kCmdInstallDouble);
  host.ScheduleValue(a, kPinCommand, 70, kCmdSleep);
  host.RecordRequests(a, true);
  host.Open();
  host.ProcessBlock();
  host.ProcessBlock(); // (64, 6), then asleep from the event at 70 on
  EXPECT_TRUE(host.Sleeping(a));
  host.ProcessBlock();
  EXPECT_EQ(Stretches(host.Requests(a)), (std::vector<Stretch>{{0, 64}, {0, 6}}));
  host.ScheduleValue(a, kPinCommand, 192 + 10, kCmdInstallNegative);
  host.ProcessBlock();
  EXPECT_FALSE(host.Sleeping(a));
  EXPECT_EQ(Stretches(host.Requests(a)).back(), (Stretch{10, 54})) << "woken by the event";
  EXPECT_EQ(host.Buffer(a, kPinAudioOut)[10], -1.0f);
  EXPECT_EQ(host.Buffer(a, kPinAudioOut)[9], 0.5f) << "the buffer keeps what was last written";
}

namespace {
int g_checks_until_stop = 0;
bool StopAfterCountdown() { return --g_checks_until_stop < 0; }
} // namespace

TEST(OurHost, AStopRequestEndsABlockBeforeTheNextInstance) {
  Host host(44100.0f, 64);
  auto &lib = host.Load(TestPlugin());
  const int a = host.Add(lib), b = host.Add(lib);
  host.SetValue(a, kPinCommand, kCmdInstallDouble);
  host.SetValue(b, kPinCommand, kCmdInstallDouble);
  host.Open();
  host.SetInterruptCheck(StopAfterCountdown);
  g_checks_until_stop = 1; // the first instance runs, the second does not
  EXPECT_THROW(host.ProcessBlock(), sehost::HostInterrupted);
  EXPECT_EQ(host.ProcessCalls(a), 1);
  EXPECT_EQ(host.ProcessCalls(b), 0);
  // Thousands of events due in one block are no shelter from a stop either.
  Host busy(44100.0f, 64);
  const int c = busy.Add(busy.Load(TestPlugin()));
  for (int i = 0; i < 20000; ++i)
    busy.ScheduleValue(c, kPinCommand, 0, kCmdNone);
  busy.Open();
  busy.SetInterruptCheck(StopAfterCountdown);
  g_checks_until_stop = 2;
  EXPECT_THROW(busy.ProcessBlock(), sehost::HostInterrupted);
  EXPECT_EQ(busy.ProcessCalls(c), 0);
}

TEST(OurHost, PatchMistakesAreReportedClearly) {
  Host host(44100.0f, 64);
  EXPECT_THROW(host.Load("/nonexistent/folder/plugin.so"), HostError);
  try {
    host.Load("/nonexistent/folder/plugin.so");
  } catch (const HostError &e) {
    EXPECT_NE(std::string(e.what()).find("/nonexistent/folder/plugin.so"), std::string::npos);
  }
  auto &lib = host.Load(TestPlugin());
  int a = host.Add(lib);
  int b = host.Add(lib);
  EXPECT_THROW(host.PinIndex(a, "No Such Pin"), HostError);
  EXPECT_THROW(host.Connect(a, kPinAudioOut, b, kPinValueIn), HostError) << "audio to int";
  EXPECT_THROW(host.Connect(a, kPinAudioIn, b, kPinAudioIn), HostError) << "input as source";
  EXPECT_THROW(host.Connect(a, kPinAudioOut, a, kPinAudioIn), HostError) << "self";
  host.Connect(a, kPinAudioOut, b, kPinAudioIn);
  EXPECT_THROW(host.Connect(a, kPinAudioOut, b, kPinAudioIn), HostError) << "input already fed";
  host.Connect(b, kPinValueOut, a, kPinValueIn);
  host.Connect(b, kPinAudioOut, a, kPinRepeat);
  EXPECT_THROW(host.Open(), HostError) << "a loop has no order";
}
