#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tw::paradox {

// A Paradox language driver: the sort order byte (0x29) with its sortOrderID string, and the
// code page its text is in.
struct LanguageDriver
{
    int codePage = 1252;
    std::uint8_t sortOrder = 0x4C;
    std::string sortOrderId = "DBWINUS0";
};

// The code page a language driver's text is in, by its sortOrderID (letter case ignored):
// 866 for "cyrr", 1251 for "ancyrr", 1250 for "anpolish", ... 0 for an unknown ID and for
// "ascii", which Paradox paired with both 437 and 850.
int codePageOfDriver(std::string_view sortOrderId);

// True for the drivers that order text by its bytes in the code page ('ascii' and the
// 'ascii' ANSI DBWINUS0): keys sorted as bytes are then in the order Paradox keeps.
bool sortsByBytes(std::string_view sortOrderId);

// The code pages of a user's language, as DOS and Windows chose them: `dos` for tables whose
// header names no code page, `write` (with its language driver) for the tables we write.
struct LocalCodePages
{
    int dos = 437;
    std::string dosWhy = "the DOS code page of US English";
    LanguageDriver write;
};

// For a locale name as QLocale gives it ("ru_RU", "pl", "en_US", "C"): the DOS (OEM) code page
// Windows uses for that language, and the Windows (ANSI) code page with the language driver
// Paradox paired with it. Paradox had ANSI drivers for 1250 to 1255 only: every other language
// writes 1252 with the default driver. A non-zero `override` (the ParadoxCodePage setting)
// replaces the DOS code page, and the written one too when it is one of 1250 to 1255.
LocalCodePages localCodePages(std::string_view locale, int override = 0);

// The code pages in use: those of the user's language once the program has chosen them,
// US English (437, and 1252 with DBWINUS0) until then.
const LocalCodePages &codePagesInUse();
void useCodePages(const LocalCodePages &pages);

} // namespace tw::paradox
