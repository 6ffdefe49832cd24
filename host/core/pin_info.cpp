#include "pin_info.h"

#include "se_choice_list.h"

#include <cstdlib>

namespace sehost {
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
