#pragma once

// Text between the emulation (UTF-8, the database code page) and the wide ODBC calls (UTF-16,
// two bytes per SQLWCHAR as unixODBC has it).

#include <sql.h>

#include <string>
#include <string_view>

namespace db2emu::odbc {

// A byte that starts no valid UTF-8 sequence becomes U+FFFD.
std::u16string utf16(std::string_view utf8);
// An unpaired surrogate becomes U+FFFD.
std::string utf8(std::u16string_view utf16);
// A counted SQLWCHAR argument (SQL_NTS: up to the NUL) in UTF-8; null gives "".
std::string utf8(const SQLWCHAR *chars, SQLINTEGER length);

// Copies text into a buffer of `size` SQLWCHARs, truncating, and gives its length in
// characters; true when it fitted.
bool putWide(const std::string &utf8, SQLWCHAR *out, SQLSMALLINT size, SQLSMALLINT *length);

} // namespace db2emu::odbc
