#include "message_text.h"

#include <cstdio>

namespace sehost {
namespace {

bool IsContinuationByte(unsigned char c) { return (c & 0xC0) == 0x80; }

} // namespace

std::string EscapedText(std::string_view text, size_t max_length) {
  const bool cut = text.size() > max_length;
  if (cut) {
    size_t end = max_length;
    while (end > 0 && IsContinuationByte(static_cast<unsigned char>(text[end])))
      --end;
    text = text.substr(0, end);
  }
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    char code[8];
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      std::snprintf(code, sizeof code, "\\x%02x", c);
      out += code;
    } else if (c == 0xC2 && i + 1 < text.size() &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      // The C1 controls (U+0080 to U+009F), which some terminals obey.
      std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned char>(text[++i]));
      out += code;
    } else {
      out += static_cast<char>(c);
    }
  }
  if (cut)
    out += "...";
  return out;
}

std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  quoted += EscapedText(text);
  quoted += '"';
  return quoted;
}

} // namespace sehost
