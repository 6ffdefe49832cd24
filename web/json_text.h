// A small JSON writer for the page's data: objects, arrays, strings (escaped
// as JSON requires), and numbers written so that they read back as the same
// float or double (shortest of %.15g / %.17g for a double, 6 to 9 digits for a float that
// round-trips; a non-finite number, which JSON cannot hold, as null).
#ifndef WEB_JSON_TEXT_H
#define WEB_JSON_TEXT_H

#include <string>
#include <string_view>

namespace web {

class JsonWriter {
public:
  JsonWriter &BeginObject();
  JsonWriter &EndObject();
  JsonWriter &BeginArray();
  JsonWriter &EndArray();
  // An object's key; the value follows.
  JsonWriter &Key(std::string_view key);
  JsonWriter &String(std::string_view text);
  JsonWriter &Number(double value);
  JsonWriter &Number(float value);
  JsonWriter &Number(int value);
  JsonWriter &Bool(bool value);

  const std::string &Text() const { return m_text; }

private:
  void Separate();
  void Quoted(std::string_view text);

  std::string m_text;
  bool m_first = true;     // nothing written yet in the current object or array
  bool m_afterKey = false; // a key was just written: its value needs no comma
};

} // namespace web

#endif // WEB_JSON_TEXT_H
