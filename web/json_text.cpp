#include "json_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace web {

void JsonWriter::Separate() {
  if (m_afterKey) {
    m_afterKey = false;
    return;
  }
  if (!m_first)
    m_text += ',';
  m_first = false;
}

JsonWriter &JsonWriter::BeginObject() {
  Separate();
  m_text += '{';
  m_first = true;
  return *this;
}

JsonWriter &JsonWriter::EndObject() {
  m_text += '}';
  m_first = false;
  return *this;
}

JsonWriter &JsonWriter::BeginArray() {
  Separate();
  m_text += '[';
  m_first = true;
  return *this;
}

JsonWriter &JsonWriter::EndArray() {
  m_text += ']';
  m_first = false;
  return *this;
}

JsonWriter &JsonWriter::Key(std::string_view key) {
  Separate();
  Quoted(key);
  m_text += ':';
  m_afterKey = true;
  return *this;
}

JsonWriter &JsonWriter::String(std::string_view text) {
  Separate();
  Quoted(text);
  return *this;
}

void JsonWriter::Quoted(std::string_view text) {
  m_text += '"';
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      m_text += '\\';
      m_text += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      m_text += escaped;
    } else {
      m_text += c; // UTF-8 passes through
    }
  }
  m_text += '"';
}

JsonWriter &JsonWriter::Number(double value) {
  Separate();
  if (!std::isfinite(value)) {
    m_text += "null";
    return *this;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", value);
  if (std::strtod(text, nullptr) != value)
    std::snprintf(text, sizeof text, "%.17g", value);
  m_text += text;
  return *this;
}

JsonWriter &JsonWriter::Number(float value) {
  Separate();
  if (!std::isfinite(value)) {
    m_text += "null";
    return *this;
  }
  // The shortest text that reads back as this float (JavaScript's Math.fround
  // of the number gives the float again).
  char text[32];
  for (int digits = 6; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
    if (std::strtof(text, nullptr) == value)
      break;
  }
  m_text += text;
  return *this;
}

JsonWriter &JsonWriter::Number(int value) {
  Separate();
  m_text += std::to_string(value);
  return *this;
}

JsonWriter &JsonWriter::Bool(bool value) {
  Separate();
  m_text += value ? "true" : "false";
  return *this;
}

} // namespace web
