#include "pin_info.h"

#include "se_choice_list.h"

#include <cstdlib>

namespace sehost {

PinInfo PinInfoOf(const SEPinProperties &pp, int property_index, int dsp_index) {
  auto text = [](const char *s) { return s != nullptr ? std::string(s) : std::string(); };
  PinInfo info;
  info.property_index = property_index;
  info.dsp_index = dsp_index;
  info.name = text(pp.name);
  info.direction = pp.direction;
  info.datatype = pp.datatype;
  info.has_default = pp.default_value != nullptr;
  info.default_text = text(pp.default_value);
  info.datatype_text = text(pp.datatype_text);
  info.flags = pp.flags;
  info.variable = pp.variable;
  return info;
}

double PinInfo::DefaultValue() const {
  if (!has_default || default_text.empty())
    return 0.0;
  const double v = std::strtod(default_text.c_str(), nullptr);
  return datatype == DT_FSAMPLE ? v / 10.0 : v;
}

std::vector<ChoiceItem> PinInfo::Choices() const {
  if (datatype != DT_CHOICE)
    return {};
  return ParseChoiceList(datatype_text);
}

std::vector<ChoiceItem> ParseChoiceList(const std::string &text) {
  std::vector<ChoiceItem> items;
  se::ForEachChoice(text, [&](const se::ChoiceItem &item) {
    items.push_back({std::string(item.text), item.value});
  });
  return items;
}

} // namespace sehost
