// The three libraries in one patch: a generator feeding an oscillator over
// the link, the oscillator feeding the filter, all through our host.
#include "host.h"
#include "plugin_path.h"

#include <gtest/gtest.h>

#include <cmath>

using sehost::Host;

namespace {

struct FullPatch {
  explicit FullPatch(float rate = 44100.0f) : host(rate, 128) {
    gen = host.Add(host.Load(setest::PluginPath("wavetable_generator")));
    osc = host.Add(host.Load(setest::PluginPath("audio_oscillator")));
    filter = host.Add(host.Load(setest::PluginPath("ladder_filter")));
    host.Connect(gen, "QX_Osc_Link", osc, "QX_Osc_Link");
    host.Connect(osc, "Wave.Out", filter, "Signal");
    host.SetValue(osc, "Waveform", 1); // Saw
    host.SetValue(osc, "Active", 1);
  }
  Host host;
  int gen, osc, filter;
};

int RisingZeroCrossings(const std::vector<float> &x) {
  int n = 0;
  for (size_t i = 1; i < x.size(); ++i)
    if (x[i - 1] <= 0.0f && x[i] > 0.0f)
      ++n;
  return n;
}

} // namespace

TEST(FullPatch, SawThroughTheLowPassKeepsItsPitch) {
  FullPatch p;
  p.host.RecordRequests(p.filter, true);
  p.host.Open();
  p.host.Render(p.filter, "Output", 4410); // settle
  const auto out = p.host.Render(p.filter, "Output", 44100);
  double peak = 0.0;
  for (float v : out) {
    ASSERT_TRUE(std::isfinite(v));
    peak = std::max(peak, std::fabs(static_cast<double>(v)));
  }
  EXPECT_GT(peak, 0.01);
  EXPECT_NEAR(RisingZeroCrossings(out), 440, 2);
  // The filter's output follows the oscillator's running status.
  bool running = false;
  for (const auto &r : p.host.Requests(p.filter))
    if (r.opcode == HRQ_PIN_STATUS && r.value == PS_RUNNING)
      running = true;
  EXPECT_TRUE(running);
}

TEST(FullPatch, SwitchingTheOscillatorOffLetsTheFilterSleep) {
  FullPatch p;
  p.host.ScheduleValue(p.osc, p.host.PinIndex(p.osc, "Active"), 1000, 0);
  p.host.Open();
  p.host.Render(p.filter, "Output", 4096);
  EXPECT_TRUE(p.host.Sleeping(p.filter));
  EXPECT_TRUE(p.host.Sleeping(p.osc));
  const float *out = p.host.Buffer(p.filter, p.host.PinIndex(p.filter, "Output"));
  for (int i = 0; i < p.host.BlockSize(); ++i)
    EXPECT_EQ(out[i], 0.0f);
  // Switching it on again wakes both.
  p.host.ScheduleValue(p.osc, p.host.PinIndex(p.osc, "Active"), p.host.Clock() + 5, 1);
  const auto again = p.host.Render(p.filter, "Output", 4096);
  EXPECT_FALSE(p.host.Sleeping(p.filter));
  double energy = 0.0;
  for (float v : again)
    energy += v * v;
  EXPECT_GT(energy, 0.0);
}

TEST(FullPatch, AChainOfFiltersPassesEachStatusOnOnce) {
  // Every pin change of a filter reposts its output's status; without merging
  // the repeats, the n-th filter of a chain would see about n times as many
  // events as the first, and a long chain would take cubic time.
  Host host(44100.0f, 64);
  auto &lib = host.Load(setest::PluginPath("ladder_filter"));
  std::vector<int> chain;
  for (int i = 0; i < 40; ++i) {
    chain.push_back(host.Add(lib));
    if (i > 0)
      host.Connect(chain[i - 1], "Output", chain[i], "Signal");
  }
  host.RecordRequests(chain.front(), true);
  host.RecordRequests(chain.back(), true);
  host.Open();
  host.ProcessBlock();
  host.ProcessBlock();
  const auto posts = [&](int instance) {
    int n = 0;
    for (const auto &r : host.Requests(instance))
      n += r.opcode == HRQ_PIN_STATUS;
    return n;
  };
  EXPECT_GT(posts(chain.front()), 0);
  EXPECT_LE(posts(chain.back()), posts(chain.front()) + 1);
}
