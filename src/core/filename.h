#pragma once

#include <string>
#include <string_view>

namespace tw {

// A file name's bytes as UTF-8 text for showing and matching: UTF-8 sequences as they are,
// and each byte that is not part of one read as the Latin-1 character of that value (a name
// copied from an old disk, "caf\xE9.db", reads "café.db"). File operations keep the real
// bytes; this text only finds them again by comparing it with the names of a listing.
std::string fileNameText(std::string_view bytes);

// A path or name as a box or the log shows it: control characters (a NUL among them) as
// "?", and a text longer than `longest` bytes as its beginning and end around "...", cut
// between UTF-8 characters.
std::string shownText(std::string_view text, std::size_t longest = 160);

// A name or value with each character that could break a line or pass for other text escaped:
// control characters as \n, \r, \t or \xHH, the Unicode line and paragraph separators and
// the marks that reorder text as \uHHHH, bytes that are no UTF-8 as \xHH. Other text,
// backslashes included, stays as it is.
std::string escapedText(std::string_view text);

// True when a path's text holds no NUL and no other control character. A path is cut at its
// first NUL by every system call, so it would name another file; no folder a user chooses
// holds the others.
bool isPlainPathText(std::string_view path);

} // namespace tw
