#include "pin_info.h"

#include <cstdlib>

namespace sehost {
namespace {

std::string Trim(const std::string &s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos)
    return "";
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

} // namespace

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
  if (Trim(text).empty())
    return items;
  size_t start = 0;
  int position = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos)
      comma = text.size();
    std::string item = text.substr(start, comma - start);
    int value = position;
    const auto eq = item.rfind('=');
    if (eq != std::string::npos) {
      const std::string number = Trim(item.substr(eq + 1));
      char *end = nullptr;
      const long v = std::strtol(number.c_str(), &end, 10);
      if (!number.empty() && end != nullptr && *end == '\0') {
        value = static_cast<int>(v);
        item = item.substr(0, eq);
      }
    }
    items.push_back({Trim(item), value});
    ++position;
    start = comma + 1;
  }
  return items;
}

} // namespace sehost
