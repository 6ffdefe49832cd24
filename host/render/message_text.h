// Text from a patch or a command line, made fit to quote in a one-line
// message: control characters are written as escapes (so a key holding a
// newline cannot split a message or forge another line) and long text is cut
// to a short excerpt.
#ifndef SEHOST_MESSAGE_TEXT_H
#define SEHOST_MESSAGE_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

namespace sehost {

// How many characters of a quoted text a message shows.
inline constexpr size_t kQuotedLength = 60;

// `text` with every control character escaped ("\n", "\t", "\x1b", "\u0085")
// and, beyond `max_length` bytes, cut at a character boundary and ended with
// "...".
std::string EscapedText(std::string_view text, size_t max_length = kQuotedLength);
// The same in double quotes: "Wave\nform".
std::string Quoted(std::string_view text);

} // namespace sehost

#endif
