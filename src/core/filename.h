#pragma once

#include <string>
#include <string_view>

namespace tw {

// A file name's bytes as UTF-8 text for showing and matching: UTF-8 sequences as they are,
// and each byte that is not part of one read as the Latin-1 character of that value (a name
// copied from an old disk, "caf\xE9.db", reads "café.db"). File operations keep the real
// bytes; this text only finds them again by comparing it with the names of a listing.
std::string fileNameText(std::string_view bytes);

} // namespace tw
