#include "paradox/language.h"

#include "text/text.h"

#include <algorithm>
#include <cctype>

namespace tw::paradox {

namespace {

struct Driver
{
    const char *id;
    std::uint8_t sortOrder;
    int codePage;
};

// The language drivers Paradox and the BDE wrote, by code page.
constexpr Driver kDrivers[] = {
    {"intl", 183, 437},       {"swedfin", 240, 437},    {"spanish", 22, 437},
    {"intl850", 84, 850},     {"czech", 13, 852},       {"polish", 143, 852},
    {"slovene", 252, 852},    {"hun852dc", 177, 852},   {"cyrr", 192, 866},
    {"grcp437", 74, 737},     {"turk", 198, 857},       {"hebrew", 125, 862},
    {"iceland", 208, 861},    {"nordan", 130, 865},     {"nordan40", 230, 865},
    {"china", 3, 936},        {"anczech", 220, 1250},   {"anpolish", 94, 1250},
    {"anhundc", 225, 1250},   {"ansislov", 111, 1250},  {"ancyrr", 143, 1251},
    {"DBWINUS0", 0x4C, 1252}, {"DBWINWE0", 0x40, 1252}, {"ANSII850", 0x11, 1252},
    {"ANSIINTL", 98, 1252},   {"angreek1", 14, 1253},   {"ANTURK", 213, 1254},
    {"ANHEBREW", 76, 1255},
};

struct Language
{
    const char *name; // language, or language_COUNTRY where the country decides
    int dos;
    int windows;
    const char *driver; // for writing, when `windows` is one of 1250 to 1255
};

// Windows' OEM and ANSI code pages by language (its NLS locale data).
constexpr Language kLanguages[] = {
    {"en_US", 437, 1252, "DBWINUS0"},
    {"en", 850, 1252, "DBWINUS0"},
    {"de", 850, 1252, "DBWINUS0"},
    {"fr", 850, 1252, "DBWINUS0"},
    {"it", 850, 1252, "DBWINUS0"},
    {"es", 850, 1252, "DBWINUS0"},
    {"pt", 850, 1252, "DBWINUS0"},
    {"nl", 850, 1252, "DBWINUS0"},
    {"da", 850, 1252, "DBWINUS0"},
    {"sv", 850, 1252, "DBWINUS0"},
    {"fi", 850, 1252, "DBWINUS0"},
    {"nb", 850, 1252, "DBWINUS0"},
    {"nn", 850, 1252, "DBWINUS0"},
    {"no", 850, 1252, "DBWINUS0"},
    {"is", 850, 1252, "DBWINUS0"},
    {"ca", 850, 1252, "DBWINUS0"},
    {"eu", 850, 1252, "DBWINUS0"},
    {"gl", 850, 1252, "DBWINUS0"},
    {"ga", 850, 1252, "DBWINUS0"},
    {"id", 437, 1252, "DBWINUS0"},
    {"ms", 437, 1252, "DBWINUS0"},
    {"sw", 437, 1252, "DBWINUS0"},
    {"af", 850, 1252, "DBWINUS0"},
    {"cs", 852, 1250, "anczech"},
    {"sk", 852, 1250, "anczech"},
    {"pl", 852, 1250, "anpolish"},
    {"hu", 852, 1250, "anhundc"},
    {"sl", 852, 1250, "ansislov"},
    {"hr", 852, 1250, "anczech"},
    {"bs", 852, 1250, "anczech"},
    {"ro", 852, 1250, "anczech"},
    {"sq", 852, 1250, "anczech"},
    {"ru", 866, 1251, "ancyrr"},
    {"uk", 866, 1251, "ancyrr"},
    {"be", 866, 1251, "ancyrr"},
    {"bg", 866, 1251, "ancyrr"},
    {"mk", 866, 1251, "ancyrr"},
    {"kk", 866, 1251, "ancyrr"},
    {"sr", 855, 1251, "ancyrr"},
    {"el", 737, 1253, "angreek1"},
    {"tr", 857, 1254, "ANTURK"},
    {"az", 857, 1254, "ANTURK"},
    {"he", 862, 1255, "ANHEBREW"},
    {"lt", 775, 1257, ""},
    {"lv", 775, 1257, ""},
    {"et", 775, 1257, ""},
    {"th", 874, 874, ""},
    {"ja", 932, 932, ""},
    {"ko", 949, 949, ""},
    {"zh_CN", 936, 936, ""},
    {"zh_SG", 936, 936, ""},
    {"zh", 950, 950, ""},
};

LanguageDriver writingDriver(int windows, const char *id)
{
    for (const Driver &driver : kDrivers) {
        if (windows >= 1250 && windows <= 1255 && *id != '\0' &&
            text::lowerAscii(driver.id) == text::lowerAscii(id)) {
            return {driver.codePage, driver.sortOrder, driver.id};
        }
    }
    return {}; // 1252 with DBWINUS0
}

// The first driver of a code page in the table: the one written for it.
const char *firstDriverOf(int codePage)
{
    for (const Driver &driver : kDrivers) {
        if (driver.codePage == codePage) {
            return driver.id;
        }
    }
    return "";
}

LocalCodePages g_inUse;

} // namespace

int codePageOfDriver(std::string_view sortOrderId)
{
    const std::string id = text::lowerAscii(sortOrderId);
    for (const Driver &driver : kDrivers) {
        if (text::lowerAscii(driver.id) == id) {
            return driver.codePage;
        }
    }
    return 0;
}

bool sortsByBytes(std::string_view sortOrderId)
{
    const std::string id = text::lowerAscii(sortOrderId);
    return id == "ascii" || id == "dbwinus0";
}

LocalCodePages localCodePages(std::string_view locale, int override)
{
    // "ru_RU.UTF-8@euro" and "sr-Latn-RS" alike: language, then the country if any.
    std::string name(locale.substr(0, locale.find_first_of(".@")));
    std::replace(name.begin(), name.end(), '-', '_');
    const std::string language = name.substr(0, name.find('_'));
    const std::string country =
        name.size() > language.size() ? name.substr(name.rfind('_') + 1) : std::string();
    const Language *found = nullptr;
    for (const Language &entry : kLanguages) {
        if (entry.name == language + "_" + country) {
            found = &entry;
            break;
        }
    }
    for (const Language &entry : kLanguages) {
        if (found == nullptr && entry.name == language) {
            found = &entry;
        }
    }
    LocalCodePages pages;
    if (found != nullptr && !(language == "en" && country.empty())) {
        pages.dos = found->dos;
        pages.dosWhy = "the DOS code page of " + name;
        pages.write = writingDriver(found->windows, found->driver);
    }
    if (override != 0) {
        pages.dos = override;
        pages.dosWhy = "the ParadoxCodePage setting";
        if (override >= 1250 && override <= 1255) {
            const char *id = found != nullptr && found->windows == override
                                 ? found->driver
                                 : firstDriverOf(override);
            pages.write = writingDriver(override, id);
        }
    }
    return pages;
}

const LocalCodePages &codePagesInUse()
{
    return g_inUse;
}

void useCodePages(const LocalCodePages &pages)
{
    g_inUse = pages;
}

} // namespace tw::paradox
