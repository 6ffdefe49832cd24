// The filter plugin in a small liblilv host of the test's own: the block
// length it is promised, run lengths, controls applied at a run's first sample
// exactly as our host applies a scheduled change, CV, and bad control values.
#include "host.h"
#include "plugin_path.h"

#include <gtest/gtest.h>
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "allocation_count.h"

namespace {

constexpr double kRate = 44100.0;
const char kMono[] = "urn:ladder-osc-modules:filter";

// URIDs for the features; the map lives as long as the process.
LV2_URID MapUri(LV2_URID_Map_Handle, const char *uri) {
  static std::map<std::string, LV2_URID> ids;
  auto it = ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1)).first;
  return it->second;
}

class World {
public:
  World() {
    setenv("LV2_PATH", SE_LV2_PATH, 1);
    world_ = lilv_world_new();
    lilv_world_load_all(world_);
  }
  ~World() { lilv_world_free(world_); }
  const LilvPlugin *Plugin(const char *uri) {
    LilvNode *node = lilv_new_uri(world_, uri);
    const LilvPlugin *p = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world_), node);
    lilv_node_free(node);
    return p;
  }
  LilvWorld *world_;
};

World &TheWorld() {
  static World w;
  return w;
}

// How the test host states the block length.
enum class Promise { MaxBlockLength, OptionsWithoutIt, ZeroLength, Nothing };

// One instance with every port connected to a buffer of the test's.
class Filter {
public:
  explicit Filter(int32_t max_block, Promise promise = Promise::MaxBlockLength)
      : max_block_(max_block) {
    plugin_ = TheWorld().Plugin(kMono);
    map_.map = &MapUri;
    map_feature_ = {LV2_URID__map, &map_};
    static const float rate = static_cast<float>(kRate);
    const int32_t length = promise == Promise::ZeroLength ? 0 : max_block;
    const LV2_URID block_key = promise == Promise::OptionsWithoutIt
                                   ? MapUri(nullptr, LV2_BUF_SIZE__minBlockLength)
                                   : MapUri(nullptr, LV2_BUF_SIZE__maxBlockLength);
    length_ = length;
    options_[0] = {LV2_OPTIONS_INSTANCE,           0,       block_key, sizeof(int32_t),
                   MapUri(nullptr, LV2_ATOM__Int), &length_};
    options_[1] = {LV2_OPTIONS_INSTANCE,
                   0,
                   MapUri(nullptr, "http://lv2plug.in/ns/ext/parameters#sampleRate"),
                   sizeof(float),
                   MapUri(nullptr, LV2_ATOM__Float),
                   &rate};
    options_[2] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    options_feature_ = {LV2_OPTIONS__options, options_};
    const LV2_Feature *features[] = {&map_feature_, &options_feature_, nullptr};
    const LV2_Feature *none[] = {nullptr};
    if (plugin_ != nullptr)
      instance_ =
          lilv_plugin_instantiate(plugin_, kRate, promise == Promise::Nothing ? none : features);
    if (instance_ == nullptr)
      return;
    const uint32_t n = lilv_plugin_get_num_ports(plugin_);
    controls_.resize(n, 0.0f);
    std::vector<float> mins(n), maxs(n), defs(n);
    lilv_plugin_get_port_ranges_float(plugin_, mins.data(), maxs.data(), defs.data());
    for (uint32_t i = 0; i < n; ++i) {
      const LilvPort *port = lilv_plugin_get_port_by_index(plugin_, i);
      symbols_[lilv_node_as_string(lilv_port_get_symbol(plugin_, port))] = i;
      controls_[i] = std::isnan(defs[i]) ? 0.0f : defs[i];
      lilv_instance_connect_port(instance_, i, &controls_[i]);
    }
    in_.assign(1 << 16, 0.0f);
    out_.assign(1 << 16, 0.0f);
    lilv_instance_connect_port(instance_, Port("in"), in_.data());
    lilv_instance_connect_port(instance_, Port("out"), out_.data());
    // CV ports stay unconnected (they are optional) unless a test connects them.
    lilv_instance_connect_port(instance_, Port("cutoff_cv"), nullptr);
    lilv_instance_connect_port(instance_, Port("resonance_cv"), nullptr);
    lilv_instance_activate(instance_);
  }
  ~Filter() {
    if (instance_ != nullptr) {
      lilv_instance_deactivate(instance_);
      lilv_instance_free(instance_);
    }
  }

  bool Made() const { return instance_ != nullptr; }
  uint32_t Port(const std::string &symbol) const { return symbols_.at(symbol); }
  void Set(const std::string &symbol, float v) { controls_[Port(symbol)] = v; }
  void ConnectCv(const std::string &symbol, float *buffer) {
    lilv_instance_connect_port(instance_, Port(symbol), buffer);
  }

  // The output written over the input, as a host may connect it.
  void InPlace() {
    lilv_instance_connect_port(instance_, Port("out"), in_.data());
    in_place_ = true;
  }

  // One run of n samples of what the input buffer holds.
  void RunOnly(uint32_t n) { lilv_instance_run(instance_, n); }

  // Runs `input` through in runs of the given lengths, repeated.
  std::vector<float> Process(const std::vector<float> &input, std::vector<uint32_t> lengths) {
    std::vector<float> result;
    size_t done = 0;
    for (size_t k = 0; done < input.size(); ++k) {
      const uint32_t n = std::min<uint32_t>(lengths[k % lengths.size()],
                                            static_cast<uint32_t>(input.size() - done));
      std::copy(input.begin() + static_cast<long>(done),
                input.begin() + static_cast<long>(done + n), in_.begin());
      lilv_instance_run(instance_, n);
      const std::vector<float> &out = in_place_ ? in_ : out_;
      result.insert(result.end(), out.begin(), out.begin() + n);
      done += n;
    }
    return result;
  }

private:
  const LilvPlugin *plugin_ = nullptr;
  LilvInstance *instance_ = nullptr;
  int32_t max_block_;
  int32_t length_ = 0;
  LV2_URID_Map map_{};
  LV2_Feature map_feature_{};
  LV2_Options_Option options_[3]{};
  LV2_Feature options_feature_{};
  std::map<std::string, uint32_t> symbols_;
  std::vector<float> controls_, in_, out_;
  bool in_place_ = false;
};

std::vector<float> Saw(size_t n) {
  std::vector<float> out(n);
  double ph = 0;
  for (float &y : out) {
    y = static_cast<float>(0.8 * (2 * ph - 1));
    ph += 110.0 / kRate;
    ph -= std::floor(ph);
  }
  return out;
}

bool AllFinite(const std::vector<float> &v) {
  for (float s : v)
    if (!std::isfinite(s))
      return false;
  return true;
}

// The block length is a supported option, never a required one: a host that
// states none, or none that is usable, gets runs split into the plugin's own
// block length, with the same samples.
TEST(FilterPlugin, InstantiationFollowsTheBlockLengthThePluginIsPromised) {
  const std::vector<float> input = Saw(10000);
  Filter promised(512);
  ASSERT_TRUE(promised.Made());
  const std::vector<float> reference = promised.Process(input, {512});
  for (Promise p : {Promise::OptionsWithoutIt, Promise::ZeroLength, Promise::Nothing}) {
    Filter f(512, p);
    ASSERT_TRUE(f.Made()) << static_cast<int>(p);
    EXPECT_EQ(f.Process(input, {10000}), reference) << static_cast<int>(p);
  }
}

// Clear voicing, constant controls: the ladder keeps its state in float
// between calls, so how a host splits the audio does not change a sample.
TEST(FilterPlugin, AnyRunLengthGivesTheSameSamples) {
  const std::vector<float> input = Saw(20000);
  Filter whole(4096);
  whole.Set("resonance", 8.0f);
  const std::vector<float> reference = whole.Process(input, {4096});
  for (const std::vector<uint32_t> &lengths :
       std::vector<std::vector<uint32_t>>{{1}, {7}, {64}, {1, 7, 64, 4096, 13}}) {
    Filter f(4096);
    f.Set("resonance", 8.0f);
    EXPECT_EQ(f.Process(input, lengths), reference) << "first run length " << lengths[0];
  }
  // Longer runs than the host promised (or than the plugin's own length for a
  // host that promised nothing) are split inside the plugin.
  Filter unpromised(4096, Promise::Nothing);
  unpromised.Set("resonance", 8.0f);
  EXPECT_EQ(unpromised.Process(input, {10000}), reference);
}

// A change between runs reaches the module at the next run's first sample,
// as our host delivers a change scheduled for that clock: same samples.
TEST(FilterPlugin, ControlChangesActAtTheRunsFirstSampleLikeOurHost) {
  constexpr int kBlock = 64;
  const std::vector<float> input = Saw(kBlock * 40);
  sehost::Host host(static_cast<float>(kRate), kBlock);
  const int id = host.Add(host.Load(setest::PluginPath("ladder_filter")));
  host.Feed(id, host.PinIndex(id, "Signal"), std::make_unique<sehost::ArraySource>(input));
  host.Open();
  host.ScheduleValue(id, host.PinIndex(id, "Type"), kBlock * 10, 1);
  host.ScheduleValue(id, host.PinIndex(id, "Pitch"), kBlock * 20, 0.7);
  host.ScheduleValue(id, host.PinIndex(id, "Filter Tap"), kBlock * 30, 4);
  const std::vector<float> expected = host.Render(id, "Output", kBlock * 40);

  Filter f(kBlock);
  std::vector<float> got;
  auto run = [&](size_t blocks) {
    const size_t at = got.size();
    const std::vector<float> part(input.begin() + static_cast<long>(at),
                                  input.begin() + static_cast<long>(at + blocks * kBlock));
    const std::vector<float> out = f.Process(part, {kBlock});
    got.insert(got.end(), out.begin(), out.end());
  };
  run(10);
  f.Set("type", 1);
  run(10);
  f.Set("cutoff", 1760.0f); // 7 V
  run(10);
  f.Set("filter_tap", 6); // X, the module's item 4
  run(10);
  EXPECT_EQ(got, expected);
}

// A sidechain sample of 0.1 (1 V) on the cutoff is an octave up: the same
// samples as the control an octave higher.
TEST(FilterPlugin, CutoffCvAddsOneVoltPerOctave) {
  const std::vector<float> input = Saw(8192);
  Filter octave_up(1024);
  octave_up.Set("cutoff", 880.0f);
  std::vector<float> cv(1 << 16, 0.1f);
  Filter with_cv(1024);
  with_cv.ConnectCv("cutoff_cv", cv.data());
  EXPECT_EQ(with_cv.Process(input, {1024}), octave_up.Process(input, {1024}));
}

// A CV input is held to its declared range (-10 to 10 V), a sample that is not
// a number counts as 0 V, and the sum of a control and its CV is held to the
// control's range: a resonance CV below 0 V never reaches the module.
TEST(FilterPlugin, CvIsHeldToItsRangeAndTheSumToTheControls) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> input = Saw(8192);
  auto render = [&](float cutoff, float resonance, std::vector<float> cutoff_cv,
                    std::vector<float> resonance_cv) {
    Filter f(1024);
    f.Set("cutoff", cutoff);
    f.Set("resonance", resonance);
    cutoff_cv.resize(1 << 16, cutoff_cv.back());
    resonance_cv.resize(1 << 16, resonance_cv.back());
    f.ConnectCv("cutoff_cv", cutoff_cv.data());
    f.ConnectCv("resonance_cv", resonance_cv.data());
    return f.Process(input, {1024});
  };
  const std::vector<float> plain = render(440.0f, 5.0f, {0.0f}, {0.0f});
  EXPECT_EQ(render(440.0f, 5.0f, {-1e4f}, {0.0f}), render(440.0f, 5.0f, {-10.0f}, {0.0f}));
  EXPECT_EQ(render(440.0f, 5.0f, {-inf}, {0.0f}), plain);
  EXPECT_EQ(render(440.0f, 5.0f, {nan}, {nan}), plain);
  EXPECT_EQ(render(440.0f, 5.0f, {0.0f}, {1e30f}), render(440.0f, 5.0f, {0.0f}, {10.0f}));
  // Control plus CV.
  EXPECT_EQ(render(440.0f, 0.0f, {0.0f}, {-4.0f}), render(440.0f, 0.0f, {0.0f}, {0.0f}));
  EXPECT_EQ(render(440.0f, 5.0f, {0.0f}, {8.0f}), render(440.0f, 10.0f, {0.0f}, {0.0f}));
  EXPECT_EQ(render(55.0f, 5.0f, {-10.0f}, {0.0f}), render(55.0f, 5.0f, {0.0f}, {0.0f}));
  EXPECT_EQ(render(20000.0f, 5.0f, {3.0f}, {0.0f}), render(21341.28f, 5.0f, {0.0f}, {0.0f}));
  // Alternating extremes on both inputs stay near the signal's level.
  std::vector<float> wild(1 << 16);
  for (size_t k = 0; k < wild.size(); ++k)
    wild[k] = (k % 4 == 0 ? inf : k % 4 == 1 ? -1e30f : k % 4 == 2 ? -inf : 1e30f);
  float peak = 0.0f;
  for (float y : render(440.0f, 5.0f, wild, wild))
    peak = std::max(peak, std::fabs(y));
  EXPECT_LT(peak, 2.0f);
}

// run() never allocates: not for a control change, a choice switch, a CV
// port connected or dropped, a level or bypass glide, nor a run longer than
// the promised length.
TEST(FilterPlugin, RunNeverAllocates) {
#if !defined(SE_COUNTS_ALLOCATIONS)
  GTEST_SKIP() << "allocations are not counted under the address sanitizer";
#endif
  Filter f(512, Promise::Nothing);
  std::vector<float> cv(1 << 16, 0.5f);
  f.RunOnly(512);
  g_counting = true;
  std::vector<int> probe(16); // the count sees an allocation
  g_counting = false;
  ASSERT_EQ(g_allocations, 1);
  g_allocations = 0;
  g_counting = true;
  for (uint32_t n : {1u, 7u, 64u, 512u, 4096u, 10000u}) {
    f.Set("cutoff", 200.0f + static_cast<float>(n));
    f.Set("filter_tap", static_cast<float>(2 + n % 5));
    f.Set("type", static_cast<float>(n % 2));
    f.ConnectCv("cutoff_cv", n % 2 ? cv.data() : nullptr);
    f.Set("output_level", -static_cast<float>(n % 13));
    f.Set("enabled", static_cast<float>(n % 3 != 0));
    f.RunOnly(n);
  }
  g_counting = false;
  EXPECT_EQ(g_allocations, 0);
}

TEST(FilterPlugin, BadControlValuesAreContained) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> input = Saw(4096);
  const std::vector<float> defaults = Filter(256).Process(input, {256});
  const char *controls[] = {"cutoff",     "resonance",    "zing",    "filter_tap",
                            "q_tap",      "emulate",      "version", "type",
                            "bass_boost", "output_level", "enabled"};
  for (const char *c : controls) {
    // NaN takes the default.
    Filter f(256);
    f.Set(c, nan);
    EXPECT_EQ(f.Process(input, {256}), defaults) << c;
    for (float v : {inf, -inf, 1e30f, -1e30f, 12345.0f}) {
      Filter g(256);
      g.Set(c, v);
      EXPECT_TRUE(AllFinite(g.Process(input, {256}))) << c << " = " << v;
    }
  }
  // Beyond the range: the range's end.
  Filter top(256), beyond(256);
  top.Set("cutoff", 21341.28f);
  beyond.Set("cutoff", inf);
  EXPECT_EQ(beyond.Process(input, {256}), top.Process(input, {256}));
  // A CV that is not a number stays inside the module's own limits.
  std::vector<float> cv(1 << 16, nan);
  Filter bad_cv(256);
  bad_cv.ConnectCv("cutoff_cv", cv.data());
  bad_cv.ConnectCv("resonance_cv", cv.data());
  EXPECT_TRUE(AllFinite(bad_cv.Process(input, {256})));
}

// The output level: after its 20 ms glide, the filter's own samples times
// the level's gain; the default 0 dB changes nothing.
TEST(FilterPlugin, OutputLevelScalesTheFilteredSignal) {
  const std::vector<float> input = Saw(8192);
  const std::vector<float> unity = Filter(512).Process(input, {512});
  Filter quiet(512);
  quiet.Process(input, {512}); // settled at 0 dB first: the change then glides
  quiet.Set("output_level", -12.0f);
  Filter again(512);
  again.Process(input, {512});
  const std::vector<float> got = quiet.Process(input, {512});
  const std::vector<float> reference = again.Process(input, {512});
  const double gain = std::pow(10.0, -12.0 / 20.0);
  const size_t glide = 882; // 20 ms at 44.1 kHz
  for (size_t k = glide; k < got.size(); ++k)
    ASSERT_EQ(got[k], static_cast<float>(reference[k] * gain)) << k;
  double step = 0.0;
  for (size_t k = 1; k < glide; ++k)
    step = std::max(step, std::fabs(static_cast<double>(got[k]) - got[k - 1]) -
                              std::fabs(static_cast<double>(reference[k]) - reference[k - 1]));
  EXPECT_LT(step, 0.01) << "the level glides: no step in the output";
  EXPECT_EQ(Filter(512).Process(input, {512}), unity);
}

// Bypass (lv2:enabled off): a crossfade to the input, then the input bit for
// bit, even when the host writes the output over the input; on again, a
// crossfade back to the filter.
TEST(FilterPlugin, BypassCrossfadesToTheInputAndBack) {
  const std::vector<float> input = Saw(8192);
  for (bool in_place : {false, true}) {
    SCOPED_TRACE(in_place ? "output over the input" : "own buffers");
    Filter f(512), reference(512);
    if (in_place)
      f.InPlace();
    const std::vector<float> before = f.Process(input, {512});
    EXPECT_EQ(before, reference.Process(input, {512}));
    f.Set("enabled", 0.0f);
    const std::vector<float> off = f.Process(input, {100, 512});
    const std::vector<float> filtered = reference.Process(input, {512});
    for (size_t k = 882; k < off.size(); ++k)
      ASSERT_EQ(off[k], input[k]) << k;
    // Half way, half of each; no sample outside what the two span.
    EXPECT_NEAR(off[441], 0.5f * (input[441] + filtered[441]), 0.01f);
    for (size_t k = 0; k < 882; ++k)
      ASSERT_LE(std::fabs(off[k]), std::max(std::fabs(input[k]), std::fabs(filtered[k])) + 1e-6f);
    f.Set("enabled", 1.0f);
    const std::vector<float> on = f.Process(input, {512});
    const std::vector<float> filtered_on = reference.Process(input, {512});
    EXPECT_NEAR(on[0], input[0], 0.01f) << "no jump when the filter comes back";
    for (size_t k = 882; k < on.size(); ++k)
      ASSERT_EQ(on[k], filtered_on[k]) << k;
  }
}

} // namespace
