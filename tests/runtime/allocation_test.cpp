// The run path allocates nothing: every allocation of this program is
// counted while a flag is up, and the three modules, compiled in, run with
// events and rebinding under it.
#include "module_runner.h"
#include "module_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<bool> g_counting{false};
std::atomic<int> g_allocations{0};

void *Allocate(std::size_t n) {
  if (g_counting.load())
    g_allocations.fetch_add(1);
  if (void *p = std::malloc(n != 0 ? n : 1))
    return p;
  throw std::bad_alloc();
}
} // namespace

void *operator new(std::size_t n) { return Allocate(n); }
void *operator new[](std::size_t n) { return Allocate(n); }
void *operator new(std::size_t n, const std::nothrow_t &) noexcept {
  try {
    return Allocate(n);
  } catch (...) {
    return nullptr;
  }
}
void *operator new[](std::size_t n, const std::nothrow_t &) noexcept {
  return operator new(n, std::nothrow);
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

namespace {

using se_runtime::ModuleRunner;

TEST(ModuleRunnerRealTime, RunsWithoutAllocating) {
  const se_runtime::ModuleTable &modules = se_runtime::StaticModules();
  ModuleRunner gen, osc, filter;
  ASSERT_TRUE(gen.Create(*modules.Find("wavetable_generator"), 48000.0f, 256));
  ASSERT_TRUE(osc.Create(*modules.Find("audio_oscillator"), 48000.0f, 256));
  ASSERT_TRUE(filter.Create(*modules.Find("ladder_filter"), 48000.0f, 256));
  gen.Open();
  ASSERT_TRUE(gen.Process(1));
  const int link = osc.PinIndex("QX_Osc_Link");
  ASSERT_GE(link, 0);
  osc.SetValue(osc.PinIndex("Active"), 1);
  osc.SetValue(osc.PinIndex("Waveform"), 1);
  osc.Open();
  osc.QueueValue(0, link, gen.OutputValue(gen.PinIndex("QX_Osc_Link")));
  const int signal = filter.PinIndex("Signal"), out = osc.PinIndex("Wave.Out");
  const int tap = filter.PinIndex("Filter Tap"), pitch = osc.PinIndex("Pitch");
  ASSERT_GE(signal, 0);
  filter.SetStreaming(signal, true);
  filter.Open();

  g_allocations = 0;
  g_counting = true;
  int *volatile seen = new int(1); // the counter sees this program's allocations
  delete seen;
  ASSERT_EQ(g_allocations.load(), 1);
  g_allocations = 0;
  for (int block = 0; block < 64; ++block) {
    std::fill(osc.Buffer(pitch), osc.Buffer(pitch) + 256, 0.3f + 0.01f * (block % 7));
    osc.QueueStatus(block % 200, pitch, PS_ONCE);
    filter.QueueValue(block % 100, tap, block % 5);
    SETimedEvent own{};
    own.time_stamp = static_cast<int32_t>(filter.Clock() + 3);
    own.event_type = EV_DATA;
    filter.OnRequest(HRQ_ADD_EVENT, 0, 0, &own, 0.0f);
    filter.Bind(signal, osc.PinBuffer(out));
    osc.Process(256);
    filter.Process(block % 2 == 0 ? 256 : 17);
  }
  g_counting = false;
  EXPECT_EQ(g_allocations.load(), 0);
  EXPECT_GT(osc.ProcessCalls(), 64);
  EXPECT_EQ(filter.DroppedEvents(), 0u);
}

} // namespace
