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

// The searches are plain loops: the library's own string_view searches do
// not evaluate at compile time under the undefined-behaviour sanitizer.
constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

constexpr std::string_view TrimBlanks(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b]))
    ++b;
  while (e > b && IsBlank(s[e - 1]))
    --e;
  return s.substr(b, e - b);
}

// The first `c` at or after `from`, else the end of `s`.
constexpr size_t FindOrEnd(std::string_view s, char c, size_t from) {
  while (from < s.size() && s[from] != c)
    ++from;
  return from;
}

// The last `c` in `s`, else npos.
constexpr size_t FindLast(std::string_view s, char c) {
  for (size_t i = s.size(); i > 0; --i)
    if (s[i - 1] == c)
      return i - 1;
  return std::string_view::npos;
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
    const size_t comma = FindOrEnd(list, ',', start);
    std::string_view item = list.substr(start, comma - start);
    int value = position;
    const size_t eq = FindLast(item, '=');
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
