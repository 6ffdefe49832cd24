// The generator module as the host sees it: description, pin, the link value
// it sends, and the directory behind that value.
#include "generator_session.h"
#include "reference_tables.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using wttest::GeneratorSession;
using wttest::kLinkPin;

TEST(GeneratorModule, DescribesItselfAndItsOnePin) {
  sehost::Host host;
  auto &library = host.Load(setest::PluginPath("wavetable_generator"));
  const auto &d = library.Description();
  EXPECT_EQ(d.name, "QX_Standard_OscWT");
  EXPECT_EQ(d.id, "OscWaveTable_Standard_QX2010");
  EXPECT_EQ(d.about, "QX_Osc WaveTable Generator\nVer:2.90\n\nCreates Standard Wavetables for "
                     "QX_Oscillators");
  EXPECT_EQ(d.sdk_version, 2240);

  const int g = host.Add(library);
  const auto pins = host.Pins(g);
  ASSERT_EQ(pins.size(), 1u);
  EXPECT_EQ(pins[0].name, "QX_Osc_Link");
  EXPECT_EQ(pins[0].direction, DR_OUT);
  EXPECT_EQ(pins[0].datatype, DT_INT32);
  EXPECT_FALSE(pins[0].has_default);
  EXPECT_TRUE(pins[0].datatype_text.empty());
  EXPECT_EQ(pins[0].flags, 0u);
  EXPECT_NE(pins[0].variable, nullptr);

  // Past the list: answered 0 and the zeroed record is left as it was.
  SEPinProperties record;
  std::memset(&record, 0, sizeof record);
  EXPECT_EQ(host.Dispatch(g, DOP_PIN_PROPERTIES, 1, 0, &record, 0.0f), 0);
  const SEPinProperties zero{};
  EXPECT_EQ(std::memcmp(&record, &zero, sizeof record), 0);

  // A GUI instance exists; other types create nothing.
  auto *gui = static_cast<SEGuiRecord *>(library.MakeModule()(0, MT_GUI, nullptr, 77));
  ASSERT_NE(gui, nullptr);
  EXPECT_EQ(gui->magic, SE_GUI_MAGIC);
  EXPECT_EQ(gui->dispatcher(gui, 1, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(library.MakeModule()(0, 3, nullptr, 0), nullptr);
}

TEST(GeneratorModule, EveryInstanceSendsTheSameLinkValueOnce) {
  GeneratorSession s(2);
  const intptr_t link = s.Link(0);
  ASSERT_NE(link, 0);
  EXPECT_EQ(s.Link(1), link);
  EXPECT_EQ(link % static_cast<intptr_t>(alignof(float *)), 0);

  for (int id : s.ids) {
    int status_posts = 0;
    for (const auto &r : s.host.Requests(id)) {
      EXPECT_NE(r.opcode, HRQ_PROCESS_CHANGED) << "the generator keeps its default routine";
      if (r.opcode != HRQ_PIN_STATUS)
        continue;
      ++status_posts;
      EXPECT_EQ(r.index, kLinkPin);
      EXPECT_EQ(r.value, PS_ONCE);
      EXPECT_EQ(r.ptr, 0) << "posted at the clock of the open";
    }
    EXPECT_EQ(status_posts, 1);
  }

  // Processing writes nothing and asks nothing.
  for (int id : s.ids)
    s.host.ClearRequests(id);
  s.host.ProcessBlock();
  for (int id : s.ids)
    EXPECT_TRUE(s.host.Requests(id).empty());
  EXPECT_EQ(s.Link(0), link);
}

TEST(GeneratorModule, LaterOpenBuildsNothing) {
  GeneratorSession first(1);
  float *const *dir = first.Directory();
  // A point of the table built last: a second build would overwrite it.
  float &probe = dir[10][255 * wtref::kStride + 100];
  const float built = probe;
  probe = 12345.0f;

  GeneratorSession second(1); // same library, still loaded by the first host
  EXPECT_EQ(second.Link(), first.Link());
  EXPECT_EQ(probe, 12345.0f);
  probe = built;
}

TEST(GeneratorModule, DirectoryAsAReaderSeesIt) {
  GeneratorSession s(1);
  float *const *dir = s.Directory();
  // Sine, the blocks, then their pulse forms in the same order; the rest null.
  constexpr int kPulseForms = wtref::kBlocks;
  for (int w = 0; w <= 2 * wtref::kBlocks; ++w)
    EXPECT_NE(dir[w], nullptr) << "entry " << w;
  for (int w = 1; w <= wtref::kBlocks; ++w)
    EXPECT_EQ(dir[w + kPulseForms], dir[w]) << "pulse entry " << w + kPulseForms;
  for (int w = 2 * wtref::kBlocks + 1; w <= 255; ++w)
    EXPECT_EQ(dir[w], nullptr) << "entry " << w;

  // The sine table, then the blocks of 256 tables of 516 floats, back to back:
  // a reader's last point for 256 harmonics stays inside its block.
  EXPECT_EQ(dir[1], dir[0] + wtref::kStride);
  for (int w = 2; w <= wtref::kBlocks; ++w)
    EXPECT_EQ(dir[w], dir[w - 1] + wtref::kBlockFloats);
  const size_t last_table = 255 * 516;
  EXPECT_EQ(last_table, 131580u);
  EXPECT_LT(last_table + 512, wtref::kBlockFloats);

  // Pulse:Square reads the Square block (block 5): table 0 is its
  // fundamental alone, 0.8118547 * 0.5 at a quarter cycle.
  EXPECT_NEAR(dir[5 + kPulseForms][128], 0.4059274f, 1e-7f);
  EXPECT_EQ(dir[0][128], 0.5f);
}

} // namespace
