// Built by the test pin_variables_one_short, which passes when this file does
// not compile: a module that gained a pin in its pin list but not the pin's
// variable in DescribePin. Had it compiled, every later pin would have taken
// its neighbour's address (the output's buffer pointer written into a choice)
// or none at all.
#include "se_pins.h"

namespace {

constexpr se::PinSpec kPins[] = {
    {"Signal", DR_IN, DT_FSAMPLE, "0", nullptr},
    {"Mode", DR_IN, DT_CHOICE, "0", "Off = 0, On = 1"},
    {"Output", DR_OUT, DT_FSAMPLE, nullptr, nullptr},
};

float *g_signal = nullptr;
float *g_output = nullptr;

} // namespace

bool DescribeOneShort(int32_t index, SEPinProperties *properties) {
  void *const variables[] = {&g_signal, &g_output};
  return se::DescribePinFrom(kPins, variables, index, properties);
}
