// The code pages of the user's language: reading tables that name none, writing new ones.

#include "paradox/language.h"

#include "paradox/codepage.h"
#include "paradox/writer.h"
#include "support/tablefiles.h"

#include <gtest/gtest.h>

namespace {

using tw::db::Value;
using tw::paradox::FieldType;
using tw::paradox::LanguageDriver;
using tw::paradox::localCodePages;
using tw::test::field;

// The code pages of a locale for one test, then US English again.
class InLocale
{
public:
    explicit InLocale(const char *locale, int override = 0)
    {
        tw::paradox::useCodePages(localCodePages(locale, override));
    }

    ~InLocale() { tw::paradox::useCodePages({}); }

    InLocale(const InLocale &) = delete;
    InLocale &operator=(const InLocale &) = delete;
};

} // namespace

TEST(LocalCodePages, FollowTheUsersLanguageAndTheSettingOverridesIt)
{
    struct Case
    {
        const char *locale;
        int override;
        int dos;
        int write;
        int sortOrder;
        const char *sortOrderId;
    };

    const Case cases[] = {
        {"C", 0, 437, 1252, 0x4C, "DBWINUS0"},
        {"en_US", 0, 437, 1252, 0x4C, "DBWINUS0"},
        {"de_DE.UTF-8", 0, 850, 1252, 0x4C, "DBWINUS0"},
        {"ru_RU.UTF-8", 0, 866, 1251, 143, "ancyrr"},
        {"pl_PL", 0, 852, 1250, 94, "anpolish"},
        {"cs-CZ", 0, 852, 1250, 220, "anczech"},
        {"el_GR", 0, 737, 1253, 14, "angreek1"},
        {"tr_TR", 0, 857, 1254, 213, "ANTURK"},
        {"he_IL", 0, 862, 1255, 76, "ANHEBREW"},
        {"lt_LT", 0, 775, 1252, 0x4C, "DBWINUS0"}, // no ANSI driver for 1257
        {"en_US", 866, 866, 1252, 0x4C, "DBWINUS0"},
        {"en_US", 1251, 1251, 1251, 143, "ancyrr"},
        {"pl_PL", 1250, 1250, 1250, 94, "anpolish"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.locale) + " " + std::to_string(c.override));
        const auto pages = localCodePages(c.locale, c.override);
        EXPECT_EQ(pages.dos, c.dos);
        EXPECT_EQ(pages.write.codePage, c.write);
        EXPECT_EQ(pages.write.sortOrder, c.sortOrder);
        EXPECT_EQ(pages.write.sortOrderId, c.sortOrderId);
    }
}

TEST(ParadoxReader, ATableNamingNoCodePageIsReadInTheDosCodePageOfTheUsersLanguage)
{
    tw::test::TempFolder folder;
    tw::paradox::WriteOptions options;
    options.driver = LanguageDriver{866, 0, ""};
    const std::string russian = "Привет, мир";
    {
        tw::paradox::TableWriter writer(
            folder / "OF.db", {field("T", FieldType::Alpha, 20)}, options);
        writer.append(std::vector{Value::text(russian)});
        writer.commit();
    }
    // As a 3.x header: no code page, no language driver.
    std::vector<std::uint8_t> bytes = tw::test::readFile(folder / "OF.db");
    bytes[0x6A] = bytes[0x6B] = 0;
    tw::test::writeFile(folder / "OF.db", bytes);

    std::vector<std::uint8_t> cp866;
    tw::paradox::CodePage::number(866).encode(russian, cp866, nullptr);
    const std::string asUs = tw::paradox::CodePage::number(437).decode(cp866);
    auto read = [&] {
        return tw::test::readAll(folder / "OF.db").at(0).at(0).asText();
    };
    EXPECT_EQ(read(), asUs) << "US English, as before";
    {
        const InLocale russia("ru_RU.UTF-8");
        EXPECT_EQ(read(), russian);
    }
    {
        const InLocale setting("en_US", 866);
        EXPECT_EQ(read(), russian);
    }
    {
        const InLocale greekButSet("el_GR", 866);
        EXPECT_EQ(read(), russian) << "the setting wins over the language";
    }
}
