// Text matching shared by everything that looks up names typed by a user
// (pin names, choice texts, units, presets).
#pragma once

#include <string_view>

namespace se {

// True when `a` and `b` are the same text but for the case of ASCII letters.
// Locale-free: the same answer on every machine.
inline bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y - 'A' + 'a');
    if (x != y)
      return false;
  }
  return true;
}

} // namespace se
