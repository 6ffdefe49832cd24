// A choice pin's item list ("LP=0, HP=1", "Low,High", "Noise=255") read
// without allocation: the host, the plugin wrappers and their generators all
// read item texts and values through this one reader.
#ifndef SE_CHOICE_LIST_H
#define SE_CHOICE_LIST_H

#include <charconv>
#include <string_view>

namespace se {

struct ChoiceItem {
  std::string_view text;
  int value;
};

inline std::string_view TrimBlanks(std::string_view s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string_view::npos)
    return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Calls f(ChoiceItem) for each comma-separated item in order. An item's value
// is the whole number after its last '=' when there is one, else its position.
// A blank list has no items.
template <class F> void ForEachChoice(std::string_view list, F &&f) {
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
    if (eq != std::string_view::npos) {
      const std::string_view number = TrimBlanks(item.substr(eq + 1));
      int v = 0;
      const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), v);
      if (!number.empty() && error == std::errc() && end == number.data() + number.size()) {
        value = v;
        item = item.substr(0, eq);
      }
    }
    f(ChoiceItem{TrimBlanks(item), value});
    start = comma + 1;
  }
}

} // namespace se

#endif // SE_CHOICE_LIST_H
