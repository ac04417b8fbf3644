// What a user does while a copy runs (the window processes events and the buttons stay
// enabled): closing the window, going back to another folder, reloading the lists, starting
// a second copy. And names whose letters change length in capitals.

#include "paradox/reader.h"
#include "paradox/writer.h"
#include "support/printers.h"
#include "support/transferfixture.h"
#include "transfer/stagingdatabase.h"
#include "transfer/typedload.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

using tw::db::Value;

namespace {

class BusyPage : public tw::test::TransferFixture
{
protected:
    void SetUp() override { makeStagingDatabase(); }

    // A DB2 table of `rows` rows of an integer and a text.
    void db2Table(const std::string &name, int rows)
    {
        std::vector<std::string> seed = {"CREATE TABLE \"" + name +
                                         "\"(ID INTEGER, NAME VARCHAR(10))"};
        for (int i = 1; i <= rows; ++i) {
            seed.push_back("INSERT INTO \"" + name + "\" VALUES(" + std::to_string(i) + ", 'n" +
                           std::to_string(i) + "')");
        }
        emu.seed(seed);
    }

    std::vector<std::vector<Value>> rows(int count) const
    {
        std::vector<std::vector<Value>> all;
        for (int i = 1; i <= count; ++i) {
            all.push_back({Value::integer(i), Value::text("n" + std::to_string(i))});
        }
        return all;
    }

    void press(QWidget &page, const char *name, const QStringList &tables = {})
    {
        if (!tables.isEmpty()) {
            select(name == std::string("PushButton3") || name == std::string("PushButton1")
                       ? form2->db2List()
                       : form2->paradoxList(),
                   tables);
        }
        button(page, name)->click();
    }

    QStringList filesIn(const QString &folder) const
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    std::int64_t records(const QString &file) const
    {
        return static_cast<std::int64_t>(
            tw::paradox::TableReader::open(file.toStdString()).recordCount());
    }
};

} // namespace

TEST_F(BusyPage, ClosingTheWindowStopsACopyToParadoxAndLeavesNoHalfTableAndNoQuestion)
{
    db2Table("ZZZ", 3000);
    db2Table("AAA", 1);
    paradoxTable("AAA.db", rows(2)); // would bring "Overwrite?"
    startProgram();
    const auto before = tw::test::TempFolderBytes(paradoxFolder());
    whileWorking([&] { return form2->progressPercent() > 20; }, [&] { form2->close(); });
    press(*form2, "PushButton3", {QStringLiteral("AAA"), QStringLiteral("ZZZ")});
    ASSERT_TRUE(acted());
    EXPECT_TRUE(dialogs.boxes.empty()) << "no question and no box after the close";
    EXPECT_EQ(tw::test::TempFolderBytes(paradoxFolder()), before)
        << "no table, no hidden file, the old AAA untouched";
    EXPECT_TRUE(QDir(tw::transfer::StagingCopy::folder()).entryList(QDir::Files).isEmpty());
    const QString text = logText();
    EXPECT_TRUE(text.contains(QStringLiteral("  stopped ZZZ: the window was closed\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("  not tried AAA: the window was closed\n")));
}

TEST_F(BusyPage, ClosingTheWindowStopsACopyToDb2AfterTheRowInFlight)
{
    paradoxTable("ZZZ.db", rows(3000));
    paradoxTable("AAA.db", rows(1));
    emu.seed({"CREATE TABLE \"AAA\"(X INTEGER)"}); // would bring "Overwrite?"
    startProgram();
    whileWorking([&] { return form2->progressPercent() > 20; }, [&] { form2->close(); });
    emu.clearLog();
    press(*form2, "PushButton4", {QStringLiteral("AAA"), QStringLiteral("ZZZ")});
    ASSERT_TRUE(acted());
    EXPECT_TRUE(dialogs.boxes.empty());
    const std::size_t sent = db2Rows("\"ZZZ\"").size();
    EXPECT_GT(sent, 0U) << "rows sent before the close stay";
    EXPECT_LT(sent, 3000U);
    for (const std::string &statement : emu.statements()) {
        EXPECT_EQ(statement.find("AAA"), std::string::npos) << statement;
    }
    const QString text = logText();
    EXPECT_TRUE(text.contains(QStringLiteral("  stopped ZZZ: the window was closed\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("  not tried AAA: the window was closed\n")));
}

// The typed copy cut short puts nothing in place and keeps its committed rows with their
// checkpoint; the next send of the unchanged table goes on from there.
TEST_F(BusyPage, ClosingTheWindowStopsATypedCopyToDb2AndTheNextSendGoesOnFromItsCheckpoint)
{
    paradoxTable("ZZZ.db", rows(12000));
    startProgram();
    form2->findChild<QCheckBox *>(QStringLiteral("KeepTypes"))->setChecked(true);
    whileWorking([&] { return form2->progressPercent() > 50; }, [&] { form2->close(); });
    press(*form2, "PushButton4", {QStringLiteral("ZZZ")});
    ASSERT_TRUE(acted());
    EXPECT_TRUE(dialogs.boxes.empty());
    const std::string working = tw::transfer::workingName("ZZZ");
    const auto tables = emu.tables();
    ASSERT_EQ(tables.size(), 1U) << "no ZZZ until it is whole";
    EXPECT_EQ(tables[0].first, working);
    const std::size_t kept = db2Rows('"' + working + '"').size();
    EXPECT_GT(kept, 6000U) << "rows read before the close go in, committed";
    EXPECT_LT(kept, 12000U);
    EXPECT_TRUE(logText().contains(QStringLiteral("  stopped ZZZ: the window was closed\n")));
    EXPECT_FALSE(items(form2->db2List()).contains(QStringLiteral("ZZZ")));

    restartProgram();
    ASSERT_TRUE(form2->keepsTypes(tw::transfer::TransferView::Direction::ToDb2));
    press(*form2, "PushButton4", {QStringLiteral("ZZZ")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_TRUE(logText().contains(QStringLiteral("resumed after row %1 of 12000").arg(kept)))
        << logText().toStdString();
    const auto rowsThere = db2Rows("\"ZZZ\"");
    ASSERT_EQ(rowsThere.size(), 12000U);
    EXPECT_EQ(rowsThere[11999], (std::vector<std::string>{"12000", "n12000"}));
    ASSERT_EQ(emu.tables().size(), 1U) << "the working table became ZZZ";
    EXPECT_EQ(emu.tables()[0].first, "ZZZ");
}

TEST_F(BusyPage, AnotherFolderChosenDuringACopyToParadoxIsTheOneTheListShowsAfterIt)
{
    db2Table("T", 3000);
    QTemporaryDir other;
    const QString first = paradoxFolder();
    {
        tw::paradox::TableWriter writer((other.path() + QStringLiteral("/OTHER.db")).toStdString(),
                                        {tw::test::field("ID", tw::paradox::FieldType::Long)});
        writer.commit();
    }
    paradoxTable("OLD.db", rows(1));
    startProgram();
    whileWorking([&] { return form2->progressPercent() > 20; },
                 [&] {
                     press(*form2, "PushButton2"); // < Back
                     setField("Text1", other.path());
                     press(*form1, "PushButton2"); // Next >
                 });
    press(*form2, "PushButton3", {QStringLiteral("T")});
    ASSERT_TRUE(acted());
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_EQ(records(first + QStringLiteral("/T.db")), 3000) << "the copy ends where it began";
    EXPECT_EQ(items(form2->paradoxList()), QStringList{QStringLiteral("OTHER")});
    press(*form2, "PushButton5", {QStringLiteral("OTHER")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty());
    EXPECT_FALSE(QFile::exists(other.path() + QStringLiteral("/OTHER.db")));
}

TEST_F(BusyPage, ListsReloadedDuringACopyToDb2NameTheTableOnce)
{
    paradoxTable("T.db", rows(3000));
    startProgram();
    whileWorking([&] { return form2->progressPercent() > 20; },
                 [&] {
                     press(*form2, "PushButton2");
                     press(*form1, "PushButton2");
                 });
    press(*form2, "PushButton4", {QStringLiteral("T")});
    ASSERT_TRUE(acted());
    EXPECT_EQ(items(form2->db2List()).count(QStringLiteral("T")), 1);
    EXPECT_EQ(db2Rows("\"T\"").size(), 3000U);
}

TEST_F(BusyPage, TwoCopiesOfOneTableIntoTwoFoldersAtOnceEachGetTheirOwnRows)
{
    db2Table("T", 3000);
    paradoxTable("OLD.db", rows(1));
    QTemporaryDir other;
    const QString first = paradoxFolder();
    startProgram();
    whileWorking([&] { return form2->progressPercent() > 20; },
                 [&] {
                     setField("Text1", other.path());
                     press(*form2, "PushButton3", {QStringLiteral("T")});
                 });
    press(*form2, "PushButton3", {QStringLiteral("T")});
    ASSERT_TRUE(acted());
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    for (const QString &folder : {first, other.path()}) {
        tw::paradox::TableReader table =
            tw::paradox::TableReader::open((folder + QStringLiteral("/T.db")).toStdString());
        ASSERT_EQ(table.recordCount(), 3000U) << folder.toStdString();
        for (int i = 1; table.next(); ++i) {
            ASSERT_EQ(table.value(0), Value::integer(i)) << folder.toStdString();
        }
    }
    EXPECT_EQ(logText().count(QStringLiteral("verified T as T.db: read back")), 2);
}

TEST_F(BusyPage, NamesWhoseCapitalsChangeLengthKeepTheirFiles)
{
    paradoxTable("Maße.db", rows(1));
    paradoxTable("µ.db", rows(1));
    const std::string smiles = "a\U0001F600\U0001F600\U0001F600\U0001F600"; // 5 characters
    emu.seed({"CREATE TABLE \"Größe\"(X INTEGER)", "CREATE TABLE \"" + smiles + "\"(X INTEGER)"});
    startProgram();
    EXPECT_EQ(items(form2->paradoxList()),
              (QStringList{QStringLiteral("MAßE"), QStringLiteral("µ")}));
    press(*form2, "PushButton4", {QStringLiteral("MAßE"), QStringLiteral("µ")});
    press(*form2, "PushButton3", {QStringLiteral("Größe"), QString::fromStdString(smiles)});
    EXPECT_TRUE(dialogs.boxes.empty()) << dialogs.boxes.front().text.toStdString();
    EXPECT_EQ(db2Rows("\"MAßE\"").size(), 1U);
    EXPECT_TRUE(QFile::exists(paradoxFolder() + QStringLiteral("/Größe.db")));
    EXPECT_TRUE(QFile::exists(paradoxFolder() + u'/' + QString::fromStdString(smiles) +
                              QStringLiteral(".db")));
    EXPECT_TRUE(items(form2->paradoxList()).contains(QStringLiteral("GRÖßE")));
    press(*form2, "PushButton5", {QStringLiteral("MAßE"), QStringLiteral("µ")});
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(QFile::exists(paradoxFolder() + QStringLiteral("/Maße.db")));
    EXPECT_FALSE(QFile::exists(paradoxFolder() + QStringLiteral("/µ.db")));
}
