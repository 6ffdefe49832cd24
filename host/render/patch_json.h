// Reading a patch's JSON text. On top of the JSON grammar (with // and /* */
// comments) it refuses what the rest of the loader must never meet: nesting
// deeper than kMaxJsonDepth (refused while parsing, before anything deep is
// built or walked), a key given twice in one object, and numbers beyond the
// range of a double. Every failure is a HostError of one line naming the file
// and the place: "line 3, column 5" for the grammar, a JSON pointer for the rest.
#ifndef SEHOST_PATCH_JSON_H
#define SEHOST_PATCH_JSON_H

#include <nlohmann/json.hpp>

#include <string>

namespace sehost {

// A patch is a handful of levels deep; far deeper is a broken or hostile file.
inline constexpr int kMaxJsonDepth = 64;

// `name` stands for the file in messages.
nlohmann::json ParsePatchJson(const std::string &text, const std::string &name);

// A JSON value for a message: text quoted and escaped, anything else as
// JSON, both cut to a short excerpt.
std::string JsonExcerpt(const nlohmann::json &value);

// A JSON pointer to a child: "/modules/1/pins/Waveform" (with ~ and /
// escaped, and the key cut to an excerpt).
std::string JsonChild(const std::string &where, const std::string &key);
std::string JsonChild(const std::string &where, size_t index);

} // namespace sehost

#endif
