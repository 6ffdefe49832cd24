// Patches of all three modules on four threads at once, each at its own
// sample rate: every oscillator keeps the pitch of its own rate, and every
// output is what the same patch gives run alone. Built with the thread
// sanitizer in CI (scripts/ci-variants.sh tsan), where any data race between
// the instances fails the test.
#include "host.h"
#include "plugin_path.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using sehost::Host;

namespace {

constexpr float kRates[] = {44100.0f, 48000.0f, 96000.0f, 192000.0f};
constexpr int32_t kBlock = 256;

struct Outputs {
  std::vector<float> osc, filter;
  bool ownProcessReference = true; // every opcode 13 answer pointed into the asker
};

// Where the threads wait for each other: all open together, and all have
// opened before any runs.
// A latch of a mutex and a condition variable: with std::latch (an atomic
// wait, which the Windows build's C++ library has no futex for) the Windows
// test hung under wine with every thread waiting.
class Latch {
public:
  explicit Latch(int count) : m_count(count) {}
  void ArriveAndWait() {
    std::unique_lock lock(m_mutex);
    if (--m_count == 0)
      m_allHere.notify_all();
    else
      m_allHere.wait(lock, [this] { return m_count == 0; });
  }

private:
  std::mutex m_mutex;
  std::condition_variable m_allHere;
  int m_count;
};

struct Meeting {
  Latch built{static_cast<int>(std::size(kRates))}, opened{static_cast<int>(std::size(kRates))};
};

// A quarter of a second of a saw at 5 V (440 Hz) through the filter at `rate`.
Outputs RunPatch(float rate, Meeting *meeting) {
  Host host(rate, kBlock);
  const int gen = host.Add(host.Load(setest::PluginPath("wavetable_generator")));
  const int osc = host.Add(host.Load(setest::PluginPath("audio_oscillator")));
  const int filter = host.Add(host.Load(setest::PluginPath("ladder_filter")));
  host.Connect(gen, "QX_Osc_Link", osc, "QX_Osc_Link");
  host.Connect(osc, "Wave.Out", filter, "Signal");
  host.SetValue(osc, "Waveform", 1);
  host.SetValue(osc, "Active", 1);
  host.SetValue(filter, "Resonance", 0.7);
  if (meeting != nullptr)
    meeting->built.ArriveAndWait();
  host.Open();
  if (meeting != nullptr)
    meeting->opened.ArriveAndWait();

  Outputs out;
  const float *oscOut = host.Buffer(osc, host.PinIndex(osc, "Wave.Out"));
  const float *filterOut = host.Buffer(filter, host.PinIndex(filter, "Output"));
  const int64_t length = static_cast<int64_t>(rate / 4.0f);
  for (int64_t done = 0; done < length; done += kBlock) {
    host.ProcessBlock();
    out.osc.insert(out.osc.end(), oscOut, oscOut + kBlock);
    out.filter.insert(out.filter.end(), filterOut, filterOut + kBlock);
    for (int id : {osc, filter}) {
      const auto *answer = reinterpret_cast<const SEProcessReference *>(
          host.Dispatch(id, DOP_PROCESS_REFERENCE, 0, 0, nullptr, 0.0f));
      out.ownProcessReference = out.ownProcessReference &&
                                *reinterpret_cast<const SEProcessEntry *>(answer->process_field) ==
                                    host.Record(id)->process;
    }
  }
  return out;
}

// Frequency of a wave that swings between -0.5 and 0.5, from its first and
// last rise from below -0.25 to above 0.25 (ripple near a saw's drop does not
// count as a rise).
double MeasuredHz(const std::vector<float> &x, float rate) {
  int rises = 0;
  size_t first = 0, last = 0;
  bool low = false;
  for (size_t i = 0; i < x.size(); ++i) {
    if (x[i] < -0.25f) {
      low = true;
    } else if (low && x[i] > 0.25f) {
      first = rises++ == 0 ? i : first;
      last = i;
      low = false;
    }
  }
  return rises < 2 ? 0.0
                   : (rises - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

} // namespace

TEST(Threads, PatchesAtFourRatesRunTogetherAsTheyRunAlone) {
  std::vector<Outputs> alone;
  for (float rate : kRates)
    alone.push_back(RunPatch(rate, nullptr));

  constexpr size_t kThreads = std::size(kRates);
  std::vector<Outputs> together(kThreads);
  Meeting meeting;
  std::vector<std::thread> threads;
  for (size_t i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] { together[i] = RunPatch(kRates[i], &meeting); });
  for (auto &t : threads)
    t.join();

  for (size_t i = 0; i < kThreads; ++i) {
    SCOPED_TRACE(kRates[i]);
    EXPECT_NEAR(MeasuredHz(together[i].osc, kRates[i]), 440.0, 0.5);
    EXPECT_TRUE(together[i].osc == alone[i].osc);
    EXPECT_TRUE(together[i].filter == alone[i].filter);
    EXPECT_TRUE(together[i].ownProcessReference);
  }
}
