// A choice pin's item list ("LP=0, HP=1", "Low,High", "Noise=255") read
// without allocation, at run time or at compile time: the host, the plugin
// wrappers, their generators and the modules' pin metadata all read item
// texts and values through this one reader.
#ifndef SE_CHOICE_LIST_H
#define SE_CHOICE_LIST_H

#include <climits>
#include <cstddef>
#include <string_view>

namespace se {

struct ChoiceItem {
  std::string_view text;
  int value;
};

constexpr std::string_view TrimBlanks(std::string_view s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos)
    return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// A whole number as it is written after an item's '=': an optional '-', then
// decimal digits and nothing else, within int. False for anything else.
constexpr bool ReadWholeNumber(std::string_view text, int &value) {
  const bool negative = !text.empty() && text[0] == '-';
  if (negative)
    text.remove_prefix(1);
  if (text.empty())
    return false;
  long long v = 0;
  for (char c : text) {
    if (c < '0' || c > '9')
      return false;
    v = v * 10 + (c - '0');
    if (v > static_cast<long long>(INT_MAX) + 1)
      return false;
  }
  v = negative ? -v : v;
  if (v > INT_MAX || v < INT_MIN)
    return false;
  value = static_cast<int>(v);
  return true;
}

// Calls f(ChoiceItem) for each comma-separated item in order. An item's value
// is the whole number after its last '=' when there is one, else its position.
// A blank list has no items.
template <class F> constexpr void ForEachChoice(std::string_view list, F &&f) {
  if (TrimBlanks(list).empty())
    return;
  int position = 0;
  for (size_t start = 0; start <= list.size(); ++position) {
    size_t comma = list.find(',', start);
    if (comma == std::string_view::npos)
      comma = list.size();
    std::string_view item = list.substr(start, comma - start);
    int value = position;
    const auto eq = item.rfind('=');
    if (eq != std::string_view::npos && ReadWholeNumber(TrimBlanks(item.substr(eq + 1)), value))
      item = item.substr(0, eq);
    f(ChoiceItem{TrimBlanks(item), value});
    start = comma + 1;
  }
}

// How many items a list has.
constexpr size_t ChoiceCount(std::string_view list) {
  size_t count = 0;
  ForEachChoice(list, [&](const ChoiceItem &) { ++count; });
  return count;
}

} // namespace se

#endif // SE_CHOICE_LIST_H
