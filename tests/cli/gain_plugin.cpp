// A plain module for testing patches and the renderer apart from the product
// modules: "Output" = "Signal" × "Level" (volts / 10) × the "Mode" sign,
// sample for sample, so a rendered file shows exactly what the host fed in.
#include "se_module_base.h"
#include "se_pins.h"
#include "se_plugin.h"

namespace {

constexpr se::PinSpec kPins[] = {
    {"Signal", DR_IN, DT_FSAMPLE, "0", nullptr},
    {"Level", DR_IN, DT_FSAMPLE, "10", nullptr},
    {"Mode", DR_IN, DT_CHOICE, "0", "Pass,Invert,Mute=7"},
    {"Output", DR_OUT, DT_FSAMPLE, nullptr, nullptr},
    {"Link Out", DR_OUT, DT_INT32, nullptr, nullptr},
    {"Link In", DR_IN, DT_INT32, nullptr, nullptr},
};

} // namespace

class Module : public SEModule_base {
public:
  using SEModule_base::SEModule_base;

  bool DescribePin(int32_t index, SEPinProperties *p) override {
    void *const vars[] = {&signal, &level, &mode, &output, &linkOut, &linkIn};
    return se::DescribePinFrom(kPins, vars, index, p);
  }

  void OpenInstance() override {
    InstallProcessRoutine(se::Process<&Module::process>);
    PinAt(3)->PostStatus(SampleClock(), PS_RUNNING);
  }

  void process(int32_t first, int32_t count) {
    const float sign = mode == 0 ? 1.0f : mode == 1 ? -1.0f : 0.0f;
    for (int32_t i = first; i < first + count; ++i)
      output[i] = sign * signal[i] * level[i];
  }

private:
  float *signal = nullptr;
  float *level = nullptr;
  int16_t mode = 0;
  float *output = nullptr;
  intptr_t linkOut = 0;
  intptr_t linkIn = 0;
};

namespace {
constexpr se::PluginInfo kInfo{"CLI Gain", "CLI_Gain_Test", "Multiplies its input\n", 2240};
}

SE_DECLARE_PLUGIN(cli_gain, kInfo, Module, se::NoGui)
