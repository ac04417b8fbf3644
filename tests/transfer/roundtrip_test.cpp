// Nothing is silently lost: every sample table sent to DB2 and back to Paradox under a new
// name reads back with the same text of every value. The one allowed difference is the coarse
// typing of the trip to DB2: every column but a date arrives as text.

#include "paradox/reader.h"
#include "support/printers.h"
#include "support/transferfixture.h"

#include <QDir>
#include <QFile>
#include <QPushButton>

namespace {

std::vector<std::vector<std::string>> texts(const std::string &path)
{
    tw::paradox::TableReader table = tw::paradox::TableReader::open(path);
    std::vector<std::vector<std::string>> rows;
    while (table.next()) {
        std::vector<std::string> row;
        for (std::size_t i = 0; i < table.fields().size(); ++i) {
            row.push_back(table.value(i).toText());
        }
        rows.push_back(row);
    }
    return rows;
}

class RoundTrip : public tw::test::TransferFixture
{};

} // namespace

TEST_F(RoundTrip, EverySampleTableComesBackWithTheSameTextOfEveryValue)
{
    makeStagingDatabase();
    const QDir samples(QStringLiteral(TW_SAMPLES_BUILT));
    QStringList tables;
    for (const QString &file :
         samples.entryList({QStringLiteral("*.DB"), QStringLiteral("*.MB")}, QDir::Files)) {
        ASSERT_TRUE(QFile::copy(samples.filePath(file), paradoxFolder() + u'/' + file));
        if (file.endsWith(QStringLiteral(".DB"))) {
            tables << file.chopped(3);
        }
    }
    ASSERT_GE(tables.size(), 5);
    startProgram();
    ASSERT_TRUE(form2->isVisible());

    select(form2->paradoxList(), tables);
    button(*form2, "PushButton4")->click();
    ASSERT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();

    // Back under new names: each DB2 table renamed first, then sent to Paradox.
    for (const QString &table : tables) {
        select(form2->db2List(), {table});
        dialogs.inputs = {table.left(6) + QStringLiteral("RT")};
        button(*form2, "PushButton6")->click();
    }
    QStringList renamed;
    for (const QString &table : tables) {
        renamed << table.left(6) + QStringLiteral("RT");
    }
    select(form2->db2List(), renamed);
    button(*form2, "PushButton3")->click();
    ASSERT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();

    for (const QString &table : tables) {
        SCOPED_TRACE(table.toStdString());
        const auto original = texts(paradoxPath(table.toStdString() + ".DB"));
        const auto back =
            texts(paradoxPath((table.left(6) + QStringLiteral("RT")).toStdString() + ".db"));
        EXPECT_EQ(back, original);
    }
}
