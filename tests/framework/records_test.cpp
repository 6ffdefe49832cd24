// The two exports and the records they hand the host.
#include "framework_fixture.h"

#include <cstring>

using namespace setest;
using sehost::PluginLibrary;

namespace {

intptr_t SE_CDECL NoHost(void *, int32_t, int32_t, int32_t, void *, float) { return 0; }

} // namespace

TEST(Exports, ModulePropertiesOnlyAtIndexZero) {
  auto lib = PluginLibrary::Load(TestPlugin());
  SEModuleProperties props;
  std::memset(&props, 0x55, sizeof props);
  SEModuleProperties before = props;
  EXPECT_EQ(lib->GetModuleProperties()(1, &props), 0);
  EXPECT_EQ(std::memcmp(&props, &before, sizeof props), 0) << "index 1 must leave the record";
  EXPECT_EQ(lib->GetModuleProperties()(-1, &props), 0);

  ASSERT_EQ(lib->GetModuleProperties()(0, &props), 1);
  EXPECT_STREQ(props.name, "Framework Test");
  EXPECT_STREQ(props.id, "Framework_Test_Module");
  EXPECT_EQ(props.sdk_version, 2240);
  EXPECT_EQ(props.reserved1, 0x55555555) << "reserved fields are never written";
  EXPECT_EQ(props.reserved2, 0x55555555);
}

TEST(Exports, MakeModuleCreatesDspAndGuiInstancesOnly) {
  auto lib = PluginLibrary::Load(TestPlugin());
  auto make = lib->MakeModule();
  EXPECT_EQ(make(0, 3, &NoHost, 0), nullptr);
  EXPECT_EQ(make(1, MT_DSP, &NoHost, 0), nullptr);
  EXPECT_EQ(make(-1, MT_GUI, &NoHost, 0), nullptr);

  auto *rec = static_cast<SEModuleRecord *>(make(0, MT_DSP, &NoHost, 0x1234));
  ASSERT_NE(rec, nullptr);
  const auto *bytes = reinterpret_cast<const unsigned char *>(rec);
  EXPECT_EQ(std::memcmp(bytes, "{PES", 4), 0);
  EXPECT_EQ(rec->version, 1);
  EXPECT_EQ(rec->host_data, 0x1234);
  EXPECT_NE(rec->instance, nullptr);
  EXPECT_EQ(rec->reserved1, 0);
  for (intptr_t r : rec->reserved2)
    EXPECT_EQ(r, 0);
  ASSERT_NE(rec->dispatcher, nullptr);
  ASSERT_NE(rec->process, nullptr);
  ASSERT_NE(rec->event_entry, nullptr);
  rec->process(rec->instance, 0, 16); // the default routine writes nothing and needs no pins
  EXPECT_EQ(Call(rec, DOP_CLOSE), 1);

  auto *gui = static_cast<SEGuiRecord *>(make(0, MT_GUI, &NoHost, 0x4321));
  ASSERT_NE(gui, nullptr);
  EXPECT_EQ(std::memcmp(gui, "MPES", 4), 0);
  EXPECT_EQ(gui->version, 1);
  EXPECT_NE(gui->dispatcher, nullptr);
  EXPECT_EQ(gui->host_data, 0x4321);
  EXPECT_NE(gui->instance, nullptr);
  for (intptr_t r : gui->reserved)
    EXPECT_EQ(r, 0);
  EXPECT_EQ(gui->dispatcher(gui, GOP_CLOSE, 0, 0, nullptr, 0.0f), 1);
}

TEST(GuiInstance, AcceptsEveryRequestAndAnswersZeroButClose) {
  auto lib = PluginLibrary::Load(TestPlugin());
  auto *gui = static_cast<SEGuiRecord *>(lib->MakeModule()(0, MT_GUI, &NoHost, 0));
  ASSERT_NE(gui, nullptr);
  int dummy = 0;
  for (int op : {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 99, -1}) {
    EXPECT_EQ(gui->dispatcher(gui, op, 1, 2, &dummy, 0.5f), 0) << "GUI opcode " << op;
    EXPECT_EQ(gui->magic, SE_GUI_MAGIC);
  }
  EXPECT_EQ(gui->dispatcher(gui, GOP_CLOSE, 0, 0, nullptr, 0.0f), 1);
}

TEST(Exports, PinListAsTheHostReadsIt) {
  auto lib = PluginLibrary::Load(TestPlugin());
  const auto &pins = lib->Pins();
  ASSERT_EQ(pins.size(), 7u);
  // GUI-only pins take no DSP index; IO_ALSO_DSP pins do.
  const int expected_dsp[] = {0, -1, 1, 2, 3, 4, 5};
  for (size_t i = 0; i < pins.size(); ++i)
    EXPECT_EQ(pins[i].dsp_index, expected_dsp[i]) << i;
  EXPECT_EQ(pins[0].default_text, "2.5");
  EXPECT_DOUBLE_EQ(pins[0].DefaultValue(), 0.25);
  EXPECT_FALSE(pins[3].has_default) << "a pin without default leaves the field null";
  const auto items = pins[2].Choices();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[2].text, "B");
  EXPECT_EQ(items[2].value, 2);

  auto rules = PluginLibrary::Load(RulesPluginUnchecked());
  EXPECT_EQ(rules->Pins()[0].dsp_index, -1) << "a first pin for the GUI only";
  EXPECT_EQ(rules->Pins()[1].dsp_index, 0) << "so the second declared pin gets DSP index 0";
}

TEST(ChoiceList, ItemsTakeTheirPositionOrAnExplicitValue) {
  const auto a = sehost::ParseChoiceList("2 = 0, 3 = 1, 4 =2, 5 = 3, X = 4");
  ASSERT_EQ(a.size(), 5u);
  EXPECT_EQ(a[4].text, "X");
  EXPECT_EQ(a[4].value, 4);
  const auto b = sehost::ParseChoiceList("Sine,Saw,Noise=255");
  ASSERT_EQ(b.size(), 3u);
  EXPECT_EQ(b[1].value, 1);
  EXPECT_EQ(b[2].text, "Noise");
  EXPECT_EQ(b[2].value, 255);
  EXPECT_TRUE(sehost::ParseChoiceList("").empty());
}
