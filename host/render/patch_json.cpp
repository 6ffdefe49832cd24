#include "patch_json.h"

#include "host_error.h"
#include "message_text.h"

#include <set>
#include <vector>

namespace sehost {
using nlohmann::json;

namespace {

// A failure found while parsing, with its JSON pointer.
struct StructureError {
  std::string where;
  std::string what;
};

// Follows the parser's events to know where it is, so that a key given
// twice, a container too deep or a number out of range can be located.
class ParseTracker {
public:
  bool OnEvent(int, json::parse_event_t event, json &parsed) {
    switch (event) {
    case json::parse_event_t::object_start:
    case json::parse_event_t::array_start:
      if (m_frames.size() >= static_cast<size_t>(kMaxJsonDepth))
        throw StructureError{Where(),
                             "nested deeper than " + std::to_string(kMaxJsonDepth) + " levels"};
      m_frames.push_back({event == json::parse_event_t::array_start, 0, {}, {}});
      break;
    case json::parse_event_t::key: {
      Frame &top = m_frames.back();
      top.key = parsed.get<std::string>();
      if (!top.keys.insert(top.key).second)
        throw StructureError{Where(),
                             "the key " + Quoted(top.key) + " is given twice in one object"};
      break;
    }
    case json::parse_event_t::object_end:
    case json::parse_event_t::array_end:
      m_frames.pop_back();
      NextElement();
      break;
    case json::parse_event_t::value: NextElement(); break;
    }
    return true;
  }

  // The JSON pointer of the value being read.
  std::string Where() const {
    std::string where;
    for (const Frame &f : m_frames)
      where = f.array ? JsonChild(where, f.index) : JsonChild(where, f.key);
    return where;
  }

private:
  struct Frame {
    bool array;
    size_t index; // arrays: the element being read
    std::string key;
    std::set<std::string> keys; // objects: the keys seen so far
  };

  void NextElement() {
    if (!m_frames.empty() && m_frames.back().array)
      ++m_frames.back().index;
  }

  std::vector<Frame> m_frames;
};

// The parser's message without its "[json.exception...] parse error at "
// prefix, and with the text it last read cut to an excerpt.
std::string ParserMessage(const std::string &what) {
  std::string text = what;
  if (const auto at = text.find("at line "); at != std::string::npos)
    text = text.substr(at + 3);
  else if (const auto end = text.find("] "); end != std::string::npos)
    text = text.substr(end + 2);
  const std::string marker = "; last read: ";
  if (const auto at = text.find(marker); at != std::string::npos)
    text = text.substr(0, at + marker.size()) +
           EscapedText(text.substr(at + marker.size()), kQuotedLength);
  return EscapedText(text, 4 * kQuotedLength);
}

} // namespace

json ParsePatchJson(const std::string &text, const std::string &name) {
  ParseTracker tracker;
  const json::parser_callback_t callback = [&tracker](int depth, json::parse_event_t event,
                                                      json &parsed) {
    return tracker.OnEvent(depth, event, parsed);
  };
  try {
    return json::parse(text, callback, /*allow_exceptions=*/true, /*ignore_comments=*/true);
  } catch (const StructureError &e) {
    throw HostError(name + ": " + (e.where.empty() ? "" : e.where + ": ") + e.what);
  } catch (const json::out_of_range &e) {
    // The parser's only range failure: a number beyond a double ("1e999").
    const std::string where = tracker.Where();
    throw HostError(name + ": " + (where.empty() ? "" : where + ": ") +
                    "a number too large (beyond 1.8e308)");
  } catch (const json::exception &e) {
    throw HostError(name + ": invalid JSON: " + ParserMessage(e.what()));
  }
}

std::string JsonExcerpt(const json &value) {
  if (value.is_string())
    return Quoted(value.get_ref<const std::string &>());
  // Control characters in texts inside are already escaped by the dump.
  return EscapedText(value.dump(), kQuotedLength);
}

std::string JsonChild(const std::string &where, const std::string &key) {
  std::string k;
  for (char c : key) {
    if (c == '~')
      k += "~0";
    else if (c == '/')
      k += "~1";
    else
      k += c;
  }
  return where + "/" + EscapedText(k);
}

std::string JsonChild(const std::string &where, size_t index) {
  return where + "/" + std::to_string(index);
}

} // namespace sehost
