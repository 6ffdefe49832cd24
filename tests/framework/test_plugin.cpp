// A module for testing the framework through the real C interface. It uses
// the framework features none of the three product modules uses, and reports
// what it sees through host requests with private opcodes (kReport*), which
// our host records.
//
// Built three times: the main test plugin, and a plugin with an unusual pin
// list (a GUI-only first pin and patch-store flags) with and without checks.
#include "se_module_base.h"
#include "se_pins.h"
#include "se_plugin.h"
#include "test_plugin_protocol.h"

namespace {

#ifndef TEST_PLUGIN_RULES
constexpr se::PinSpec kPins[] = {
    {"Audio In", DR_IN, DT_FSAMPLE, "2.5", nullptr},
    {"GUI Only", DR_IN, DT_FSAMPLE, nullptr, nullptr, IO_UI_COMMUNICATION},
    {"Command", DR_IN, DT_CHOICE, "0", "None,A,B", IO_UI_COMMUNICATION | IO_ALSO_DSP},
    {"Audio Out", DR_OUT, DT_FSAMPLE, nullptr, nullptr},
    {"Value Out", DR_OUT, DT_INT32, nullptr, nullptr},
    {"Value In", DR_IN, DT_INT32, nullptr, nullptr},
    {"Repeat", DR_IN, DT_FSAMPLE, "0", nullptr, IO_REPEAT_LAST},
};
#else
constexpr se::PinSpec kPins[] = {
    {"Gui First", DR_IN, DT_CHOICE, "0", "Off,On", IO_UI_COMMUNICATION},
    {"Second", DR_IN, DT_CHOICE, "0", "Off,On"},
    {"Store Out", DR_OUT, DT_CHOICE, nullptr, nullptr, IO_PATCH_STORE},
    {"Store Private", DR_IN, DT_CHOICE, "0", nullptr, IO_PATCH_STORE | IO_PRIVATE},
    {"Store Ui", DR_IN, DT_CHOICE, "0", nullptr, IO_PATCH_STORE | IO_UI_COMMUNICATION},
    {"Store Breach", DR_IN, DT_CHOICE, "0", nullptr, IO_PATCH_STORE},
    {"Odd Type", DR_IN, 7, nullptr, nullptr, IO_REPEAT_LAST},
};
#endif

intptr_t ValueOf(const SEPin &pin) {
  const void *p = pin.ValuePtr();
  if (p == nullptr)
    return 0;
  switch (pin.Datatype()) {
  case DT_CHOICE: return *static_cast<const int16_t *>(p);
  case DT_INT32: return *static_cast<const intptr_t *>(p);
  default: return 0;
  }
}

} // namespace

class Module : public SEModule_base {
public:
  using SEModule_base::SEModule_base;
  ~Module() override { HostRequest(kReportDestroyed); }

  bool DescribePin(int32_t index, SEPinProperties *p) override {
#ifndef TEST_PLUGIN_RULES
    void *const vars[] = {&audioIn, nullptr, &command, &audioOut, &valueOut, &valueIn, &repeat};
#else
    void *const vars[] = {&second, &second, &storeOut, &second, &second, &second, nullptr};
#endif
    return se::DescribePinFrom(kPins, vars, index, p);
  }

  void OpenInstance() override {
    HostRequest(kReportOpened, PinCount(), BlockSize(), nullptr, SampleRate());
  }

  void CloseInstance() override { HostRequest(kReportClosed); }

  void PinChanged(SEPin *pin) override {
    const float sample = pin->Datatype() == DT_FSAMPLE ? pin->CurrentSample() : 0.0f;
    HostRequest(kReportPinChanged, pin->Index(), pin->Status(),
                reinterpret_cast<void *>(ValueOf(*pin)), sample);
#ifndef TEST_PLUGIN_RULES
    if (pin->Index() == 1)
      RunCommand(command);
#endif
  }

  void OnHostOpcode8() override { HostRequest(kReportOpcode8); }
  void OnHostOpcode8Index(int32_t index) override { HostRequest(kReportOpcode8Index, index); }
  void OnHostOpcode12(int32_t value, int32_t index, void *ptr) override {
    HostRequest(kReportOpcode12, index, value, ptr);
  }
  void OnEventType2(int32_t clock, int32_t value, int16_t short_value) override {
    HostRequest(kReportEventData, short_value, value,
                reinterpret_cast<void *>(static_cast<intptr_t>(clock)));
  }

  // Doubles the input: lets tests see which stretches the host hands over.
  void processDouble(int32_t first, int32_t count) {
    HostRequest(kReportProcess, first, count);
    for (int32_t i = first; i < first + count; ++i)
      audioOut[i] = 2.0f * audioIn[i];
  }
  void processNegative(int32_t first, int32_t count) {
    HostRequest(kReportProcess, first, count);
    for (int32_t i = first; i < first + count; ++i)
      audioOut[i] = -1.0f;
  }
  void onTimer() { HostRequest(kReportRoutineRan, SampleClock()); }

private:
  void RunCommand(int32_t c) {
    switch (c) {
    case kCmdInstallDouble: InstallProcessRoutine(se::Process<&Module::processDouble>); break;
    case kCmdInstallNegative: InstallProcessRoutine(se::Process<&Module::processNegative>); break;
    case kCmdQueueData: QueueEvent(SampleClock() + 10, EV_DATA, 7, 0x00012345, 0); break;
    case kCmdQueueRoutine: QueueRoutine(SampleClock() + 5, se::Routine<&Module::onTimer>); break;
    case kCmdPostAudioOnce: PinAt(2)->PostStatus(SampleClock(), PS_ONCE); break;
    case kCmdPostValueRunning:
      valueOut = 0x12345678;
      PinAt(3)->PostStatus(SampleClock(), PS_RUNNING);
      break;
    case kCmdQueuePast: QueueEvent(SampleClock() - 1, EV_DATA, 0, 0, 0); break;
    case kCmdSampleOfChoice: PinAt(1)->CurrentSample(); break;
    case kCmdSleep: HostRequest(HRQ_SLEEP); break;
    case kCmdReportPins:
      for (int32_t i = 0; i < PinCount(); ++i)
        HostRequest(kReportPinState, i, PinAt(i)->Status(),
                    reinterpret_cast<void *>(static_cast<intptr_t>(PinAt(i)->Datatype())));
      break;
    case kCmdPinBeyondCount: PinAt(PinCount() + 3)->PostStatus(SampleClock(), PS_RUNNING); break;
    default: break;
    }
  }

  float *audioIn = nullptr;
  int16_t command = 0;
  float *audioOut = nullptr;
  intptr_t valueOut = 0;
  intptr_t valueIn = 0;
  float *repeat = nullptr;
  int16_t second = 0;
  int16_t storeOut = 0;
};

namespace {
constexpr se::PluginInfo kInfo{"Framework Test", "Framework_Test_Module", "Tests the framework\n",
                               2240};
}

SE_DECLARE_PLUGIN(framework_test, kInfo, Module, SEGUI_base)
