// The DSP dispatcher: opcodes, process reference, routine installation and
// the patch-store rule.
#include "framework_fixture.h"

#include <cstring>

using namespace setest;
using sehost::PluginLibrary;
using testing::HasSubstr;
using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

class Dispatcher : public testing::Test {
protected:
  void SetUp() override {
    RawHost::Reset();
    lib = PluginLibrary::Load(TestPlugin());
  }
  SEModuleRecord *Make() {
    return static_cast<SEModuleRecord *>(lib->MakeModule()(0, MT_DSP, &RawHost::Callback, 0));
  }
  std::unique_ptr<PluginLibrary> lib;
};

} // namespace

TEST_F(Dispatcher, SampleRateAndBlockSizeDefaultsAndChanges) {
  SEModuleRecord *a = Make();
  Call(a, DOP_OPEN);
  auto opened = OfOpcode(RawHost::requests, kReportOpened);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].value, 1024);
  EXPECT_EQ(opened[0].opt, 44100.0f);
  Call(a, DOP_CLOSE);

  RawHost::requests.clear();
  SEModuleRecord *b = Make();
  EXPECT_EQ(Call(b, DOP_SAMPLE_RATE, 0, 0, nullptr, 48000.0f), 0);
  EXPECT_EQ(Call(b, DOP_BLOCK_SIZE, 0, 256), 0);
  // Rates and sizes no module can work with keep the values in force.
  Call(b, DOP_SAMPLE_RATE, 0, 0, nullptr, -1.0f);
  Call(b, DOP_BLOCK_SIZE, 0, 0);
  Call(b, DOP_OPEN);
  opened = OfOpcode(RawHost::requests, kReportOpened);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].value, 256);
  EXPECT_EQ(opened[0].opt, 48000.0f);
  Call(b, DOP_CLOSE);
}

TEST_F(Dispatcher, PinPropertiesPastTheListOrMalformedAnswerZero) {
  SEModuleRecord *a = Make();
  SEPinProperties p;
  std::memset(&p, 0, sizeof p);
  EXPECT_EQ(Call(a, DOP_PIN_PROPERTIES, 0, 0, &p), 1);
  EXPECT_STREQ(p.name, "Audio In");
  const SEPinProperties zero{};
  for (int index : {7, 100, -1}) {
    std::memset(&p, 0, sizeof p);
    EXPECT_EQ(Call(a, DOP_PIN_PROPERTIES, index, 0, &p), 0) << index;
    EXPECT_EQ(std::memcmp(&p, &zero, sizeof p), 0) << "record untouched for index " << index;
  }
  EXPECT_EQ(Call(a, DOP_PIN_PROPERTIES, 0, 0, nullptr), 0);
  Call(a, DOP_CLOSE);
}

TEST_F(Dispatcher, HostOpcodesReachTheirOperations) {
  SEModuleRecord *a = Make();
  Call(a, DOP_CODE8, 0);
  ASSERT_EQ(RawHost::requests.size(), 1u);
  EXPECT_EQ(RawHost::requests[0].opcode, kReportOpcode8);
  RawHost::requests.clear();
  Call(a, DOP_CODE8, 3);
  ASSERT_EQ(RawHost::requests.size(), 2u);
  EXPECT_EQ(RawHost::requests[0].opcode, kReportOpcode8);
  EXPECT_EQ(RawHost::requests[1].opcode, kReportOpcode8Index);
  EXPECT_EQ(RawHost::requests[1].index, 3);
  RawHost::requests.clear();
  int token = 0;
  EXPECT_EQ(Call(a, DOP_CODE12, 5, 9, &token), 0);
  ASSERT_EQ(RawHost::requests.size(), 1u);
  EXPECT_EQ(RawHost::requests[0].index, 5);
  EXPECT_EQ(RawHost::requests[0].value, 9);
  EXPECT_EQ(RawHost::requests[0].ptr, reinterpret_cast<intptr_t>(&token));

  // Opcodes 7 and 10 are not expected from a host and are reported; the rest
  // without an action answer 0 silently.
  for (int op : {DOP_CODE7, DOP_CODE10}) {
    CaptureStderr();
    EXPECT_EQ(Call(a, op), 0);
    EXPECT_THAT(GetCapturedStderr(), HasSubstr("SE assertion failed: false [sdk\\SEModule_base]"));
  }
  RawHost::requests.clear();
  CaptureStderr();
  for (int op : {4, 5, 9, 11, 14, 99, -5})
    EXPECT_EQ(Call(a, op), 0) << op;
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_TRUE(RawHost::requests.empty());

  RawHost::requests.clear();
  EXPECT_EQ(Call(a, DOP_CLOSE), 1);
  ASSERT_EQ(RawHost::requests.size(), 2u);
  EXPECT_EQ(RawHost::requests[0].opcode, kReportClosed) << "close runs before the destructor";
  EXPECT_EQ(RawHost::requests[1].opcode, kReportDestroyed);
}

TEST_F(Dispatcher, ProcessReferenceIsTheAskingInstancesOwnRecord) {
  SEModuleRecord *a = Make();
  SEModuleRecord *b = Make();
  auto *ra = reinterpret_cast<SEProcessReference *>(Call(a, DOP_PROCESS_REFERENCE));
  const intptr_t field_a = ra->process_field;
  EXPECT_EQ(ra->one, 1);
  EXPECT_EQ(ra->zero, 0);
  EXPECT_EQ(ra->size, static_cast<int32_t>(sizeof(SEProcessEntry)));
  // The referenced field holds the routine the record's process entry calls.
  EXPECT_EQ(*reinterpret_cast<SEProcessEntry *>(field_a), a->process);
  auto *rb = reinterpret_cast<SEProcessReference *>(Call(b, DOP_PROCESS_REFERENCE));
  // Another instance's question leaves the first answer as it was, so that
  // instances asked on different threads never read each other's answer.
  EXPECT_NE(ra, rb);
  EXPECT_EQ(ra->process_field, field_a);
  EXPECT_NE(rb->process_field, field_a);
  EXPECT_EQ(*reinterpret_cast<SEProcessEntry *>(rb->process_field), b->process);
  Call(a, DOP_CLOSE);
  Call(b, DOP_CLOSE);
}

TEST(PatchStoreRule, OnlyABreachingPinIsReportedAndAnswersDoNotChange) {
  for (const std::string &path : {RulesPlugin(), RulesPluginUnchecked()}) {
    const bool checked = path == RulesPlugin();
    auto lib = PluginLibrary::Load(path);
    auto *rec = static_cast<SEModuleRecord *>(lib->MakeModule()(0, MT_DSP, &RawHost::Callback, 0));
    // Pins 2..5: store on an output, with IO_PRIVATE, with IO_UI_COMMUNICATION, on a plain input.
    for (int index = 0; index < 7; ++index) {
      SEPinProperties p{};
      CaptureStderr();
      EXPECT_EQ(Call(rec, DOP_PIN_PROPERTIES, index, 0, &p), 1) << index;
      const std::string err = GetCapturedStderr();
      if (index == 5 && checked) {
        EXPECT_THAT(err, HasSubstr("SE assertion failed: (((SEPinProperties*)ptr)->flags & "
                                   "IO_PATCH_STORE) == 0 || (((SEPinProperties*)ptr)->flags & "
                                   "IO_PRIVATE) != 0 || ((SEPinProperties*)ptr)->direction == "
                                   "DR_OUT || ( ( (SEPinProperties*)ptr)->flags & "
                                   "IO_UI_COMMUNICATION) != 0 [sdk\\SEModule_base]"));
      } else {
        EXPECT_EQ(err, "") << path << " pin " << index;
      }
    }
    Call(rec, DOP_CLOSE);
  }
}
