// A pin as the host sees it in a module's pin list.
#ifndef SEHOST_PIN_INFO_H
#define SEHOST_PIN_INFO_H

#include "se_abi.h"

#include <string>
#include <vector>

namespace sehost {

struct ChoiceItem {
  std::string text;
  int value;
};

struct PinInfo {
  int property_index = -1; // position in the module's pin list
  int dsp_index = -1;      // -1: a GUI-only pin without a DSP pin object
  std::string name;
  int32_t direction = DR_IN;
  int32_t datatype = DT_FSAMPLE;
  std::string default_text; // empty when the module gives none
  bool has_default = false;
  std::string datatype_text;
  uint32_t flags = 0;
  void *variable = nullptr; // the variable of the instance the list was read from

  bool IsInput() const { return direction == DR_IN; }
  bool IsOutput() const { return direction == DR_OUT; }
  bool IsAudio() const { return datatype == DT_FSAMPLE; }
  // The default as a pin value: audio pins in samples (volts / 10), others as numbers.
  double DefaultValue() const;
  std::vector<ChoiceItem> Choices() const;
};

// A pin of a module's list as the dispatcher describes it (DOP_PIN_PROPERTIES).
PinInfo PinInfoOf(const SEPinProperties &props, int property_index, int dsp_index);

// Splits a choice list ("LP=0, HP=1", "Low,High", "Noise=255") into items.
std::vector<ChoiceItem> ParseChoiceList(const std::string &text);

} // namespace sehost

#endif
