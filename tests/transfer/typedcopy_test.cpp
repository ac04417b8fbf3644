// "Send Table/s To IBM DB2" with "Keep column types and keys": typed columns, the key and the
// indexes, bound rows in arrays; read back by an ordinary ODBC client.

#include "paradox/indexfile.h"
#include "paradox/primaryindex.h"
#include "paradox/reader.h"
#include "support/printers.h"
#include "support/transferfixture.h"
#include "transfer/typedload.h"
#include "transfer/typedtable.h"
#include "transfer/widgets/form2.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

using tw::db::Value;
using tw::paradox::FieldType;
using tw::test::field;
using Rows = std::vector<std::vector<std::string>>;

namespace {

namespace fs = std::filesystem;

class TypedCopy : public tw::test::TransferFixture
{
protected:
    void send(const QStringList &tables)
    {
        if (!form2->isVisible()) {
            startProgram();
        }
        form2->findChild<QCheckBox *>(QStringLiteral("KeepTypes"))->setChecked(true);
        select(form2->paradoxList(), tables);
        emu.clearLog();
        button(*form2, "PushButton4")->click();
    }

    // What an ordinary ODBC client reads of the tables: one JSON object per table.
    std::map<QString, QJsonObject> readByClient(const QStringList &tables) const
    {
        std::string command =
            "/usr/bin/python3 " TW_PYODBC_TYPED " '" + tw::test::Db2Emu::connectionString() + "'";
        for (const QString &table : tables) {
            command += " '" + table.toStdString() + "'";
        }
        FILE *pipe = ::popen((command + " 2>&1").c_str(), "r");
        std::string output;
        char buffer[65536];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
            output.append(buffer, got);
        }
        EXPECT_EQ(::pclose(pipe), 0)
            << output.substr(output.size() - std::min<std::size_t>(output.size(), 3000));
        std::map<QString, QJsonObject> read;
        for (const QByteArray &line : QByteArray::fromStdString(output).split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            if (!object.isEmpty()) {
                read[object[QStringLiteral("table")].toString()] = object;
            }
        }
        return read;
    }
};

bool hasPyodbc()
{
#ifdef __SANITIZE_ADDRESS__
    return false; // a sanitized driver does not load into an unsanitized Python
#else
    return std::system("/usr/bin/python3 -c 'import pyodbc' 2>/dev/null") == 0;
#endif
}

// True when the client's tagged value ("I:7", "F:0.1", "D:12.50", "S:text"...) is the
// Paradox value: the same text, or for numbers the same number.
bool sameValue(const Value &paradox, const QJsonValue &read)
{
    if (paradox.isNull()) {
        return read.isNull();
    }
    const std::string tagged = read.toString().toStdString();
    const char tag = tagged.empty() ? '?' : tagged[0];
    const std::string text = tagged.size() > 2 ? tagged.substr(2) : std::string();
    switch (paradox.kind()) {
    case tw::db::ValueKind::Double:
        return (tag == 'F' || tag == 'D') &&
               std::strtod(text.c_str(), nullptr) == paradox.asDouble();
    case tw::db::ValueKind::Decimal:
        return (tag == 'D' || tag == 'S') && text == paradox.asDecimal().text;
    case tw::db::ValueKind::Boolean:
        return tag == 'B' && text == (paradox.asBoolean() ? "1" : "0");
    case tw::db::ValueKind::Integer:
        return tag == 'I' && text == paradox.toText();
    case tw::db::ValueKind::Timestamp: {
        const tw::db::Timestamp &t = paradox.asTimestamp();
        char fraction[16] = "";
        if (t.msOfDay % 1000 != 0) {
            std::snprintf(fraction, sizeof fraction, ".%03u000", t.msOfDay % 1000);
        }
        return tag == 'T' && text == tw::db::dateText(t.date) + " " +
                                         tw::db::timeText(t.msOfDay / 1000 * 1000) + fraction;
    }
    case tw::db::ValueKind::Date:
        return tag == 'd' && text == paradox.toText();
    case tw::db::ValueKind::Time:
        return (tag == 't' || tag == 'S') && text == paradox.toText();
    case tw::db::ValueKind::Binary:
        return tag == 'X' && text == paradox.toText();
    default:
        return tag == 'S' && text == paradox.toText();
    }
}

} // namespace

// Every readable corpus table, of every version, keyed or not, with large memos and graphics,
// reaches DB2 whole: each field in a typed column holding its values exactly, the key as the
// primary key, each secondary index whose file names its fields as an index; an ordinary
// client reads every value back equal to the Paradox value.
TEST_F(TypedCopy, EveryReadableCorpusTableArrivesTypedKeyedIndexedAndExact)
{
    if (tw::test::corpusFolder().empty()) {
        GTEST_SKIP() << "the Paradox corpus is not beside the project";
    }
    if (!hasPyodbc()) {
        GTEST_SKIP() << "python3-pyodbc is not installed";
    }
    const std::map<QString, std::string> tables = copyCorpusTables();
    ASSERT_GE(tables.size(), 60U);
    QStringList names;
    for (const auto &[name, source] : tables) {
        names << name;
    }
    startProgram();
    send(names);
    EXPECT_EQ(dialogs.errorReports(), QStringList{}) << "the typed copy refuses no row";

    const std::map<QString, QJsonObject> read = readByClient(names);
    qsizetype indexes = 0;
    for (const auto &[name, source] : tables) {
        SCOPED_TRACE(source);
        ASSERT_EQ(read.count(name), 1U);
        const QJsonObject &table = read.at(name);
        tw::paradox::TableReader reader =
            tw::paradox::TableReader::open(tw::test::corpusFolder() / source);
        const auto &header = reader.header();

        QStringList key;
        for (std::size_t k = 0; k < header.primaryKeyFields; ++k) {
            key << QString::fromStdString(header.fields[k].name);
        }
        QStringList readKey;
        for (const QJsonValue &column : table[QStringLiteral("key")].toArray()) {
            readKey << column.toString();
        }
        EXPECT_EQ(readKey, key);
        indexes += table[QStringLiteral("indexes")].toArray().size();
        EXPECT_EQ(static_cast<std::size_t>(table[QStringLiteral("indexes")].toArray().size()),
                  tw::paradox::secondaryIndexes(
                      tw::test::corpusFolder() / source, header, reader.codePage())
                      .size());

        const QJsonArray rows = table[QStringLiteral("rows")].toArray();
        ASSERT_EQ(static_cast<std::uint64_t>(rows.size()), reader.recordCount());
        // DB2 gives the rows in the order they went in, which is the table's order.
        for (qsizetype r = 0; reader.next(); ++r) {
            const QJsonArray row = rows[r].toArray();
            for (std::size_t c = 0; c < reader.fields().size(); ++c) {
                const Value value = reader.value(c);
                EXPECT_TRUE(sameValue(value, row[static_cast<qsizetype>(c)]))
                    << "row " << r << ", " << reader.fields()[c].name << ": "
                    << value.toText().substr(0, 80) << " read as "
                    << row[static_cast<qsizetype>(c)].toString().left(80).toStdString();
            }
        }
    }
    EXPECT_GE(indexes, 12) << "the corpus's index files, composite and descending ones too";
}

TEST_F(TypedCopy, TheChoiceIsOffByDefaultAndRememberedAcrossARestart)
{
    auto *box = form2->findChild<QCheckBox *>(QStringLiteral("KeepTypes"));
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(box->text(), QStringLiteral("Keep column types and keys"));
    box->setChecked(true);
    EXPECT_EQ(settings->GetSetting(QStringLiteral("KeepTypes")), QStringLiteral("1"));

    tw::transfer::Form2 restarted(dialogs, *form1, log, *settings);
    EXPECT_TRUE(restarted.keepsTypes(tw::transfer::TransferView::Direction::ToDb2));
    box->setChecked(false);
    tw::transfer::Form2 again(dialogs, *form1, log, *settings);
    EXPECT_FALSE(again.keepsTypes(tw::transfer::TransferView::Direction::ToDb2));

    // The copy to Paradox has its own box in the DB2 frame, remembered under its own key.
    auto *toParadox = form2->findChild<QCheckBox *>(QStringLiteral("KeepTypesToParadox"));
    ASSERT_NE(toParadox, nullptr);
    EXPECT_EQ(toParadox->parentWidget()->objectName(), QStringLiteral("Frame1"));
    EXPECT_FALSE(toParadox->isChecked());
    toParadox->setChecked(true);
    tw::transfer::Form2 third(dialogs, *form1, log, *settings);
    EXPECT_TRUE(third.keepsTypes(tw::transfer::TransferView::Direction::ToParadox));
    EXPECT_FALSE(third.keepsTypes(tw::transfer::TransferView::Direction::ToDb2));
}

// A damaged keyed table holding a key twice: DB2 refuses the second row with its box, and no
// table missing a row is put in place.
TEST_F(TypedCopy, ARowThatBreaksTheKeyGetsItsBoxAndNoTableIsMade)
{
    paradoxTable("KEYED.db",
                 {field("ID", FieldType::Long), field("NAME", FieldType::Alpha, 10)},
                 {{Value::integer(1), Value::text("one")},
                  {Value::integer(1), Value::text("again")},
                  {Value::integer(2), Value::text("two")}});
    // One key field, as Paradox marks a keyed table.
    std::fstream file(paradoxPath("KEYED.db"), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(0x23);
    file.put(1);
    file.close();

    send({QStringLiteral("KEYED")});
    const QStringList reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("SQL0803N"))) << reports[0].toStdString();
    EXPECT_TRUE(reports[0].contains(QStringLiteral("at line 256")));
    EXPECT_TRUE(emu.tables().empty()) << "neither the table nor its working table is left";
    EXPECT_TRUE(logText().contains(QStringLiteral("  FAILED KEYED")));
}

// Yes to "Overwrite?" and then a swap DB2 refuses (the index's name is another table's): the
// unit of work that dropped the old table gives it back whole.
TEST_F(TypedCopy, ASwapDb2RefusesOnReplaceKeepsTheOldTableWhole)
{
    emu.seed({"CREATE TABLE \"TOWNS\"(\"OLD\" INTEGER)",
              "INSERT INTO \"TOWNS\" VALUES(41)",
              "CREATE TABLE OTHER(A INTEGER)",
              "CREATE INDEX \"TOWNS_NAME\" ON OTHER(A)"});
    paradoxTable("TOWNS.db",
                 {field("NAME", FieldType::Alpha, 20)},
                 {{Value::text("Lyon")}, {Value::text("Graz")}});
    // A secondary index on NAME, as Paradox writes its file.
    const fs::path index = paradoxPath("TOWNS.X01");
    std::vector<char> bytes(2048, 0);
    bytes[0x04] = 3;    // non-incrementing secondary index
    bytes[0x21] = 4;    // NAME, then the record's position (two fields) and a block number
    bytes[0x39] = 0x0B; // 5.x
    std::size_t at = 0x78 + 2 * 4 + 4 + 4 * 4 + 79;
    for (const char *name : {"NAME", "Tup No", "Blk Num", "Tup Offset"}) {
        std::copy(name, name + std::strlen(name) + 1, bytes.begin() + static_cast<long>(at));
        at += std::strlen(name) + 1;
    }
    bytes[at] = 1; // field numbers: NAME is field 1
    std::ofstream(index, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));

    startProgram();
    dialogs.answers = {true};
    send({QStringLiteral("TOWNS")});
    const QStringList reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains(QStringLiteral("SQL0601N"))) << reports[0].toStdString();
    EXPECT_TRUE(reports[0].contains(QStringLiteral("at line 292"))) << reports[0].toStdString();
    EXPECT_EQ(db2Rows("\"TOWNS\""), Rows{{"41"}}) << "the old table is back, rows and all";
}

// An autoincrement field becomes an identity column that goes on after the table's largest
// value, so rows DB2 numbers later never meet the copied ones.
TEST_F(TypedCopy, AnAutoincrementContinuesAfterItsLargestValue)
{
    paradoxTable("AUTO.db",
                 {field("ID", FieldType::AutoIncrement), field("NAME", FieldType::Alpha, 10)},
                 {{Value::integer(3), Value::text("c")}, {Value::integer(7), Value::text("g")}});
    send({QStringLiteral("AUTO")});
    EXPECT_EQ(dialogs.errorReports(), QStringList{});
    emu.seed({"INSERT INTO \"AUTO\"(\"NAME\") VALUES('new')"});
    EXPECT_EQ(db2Rows("\"AUTO\""), (Rows{{"3", "c"}, {"7", "g"}, {"8", "new"}}));
}

TEST(TypedTable, BooleanColumnsFromDb2_11_1_1_1On)
{
    using tw::transfer::hasBooleans;
    EXPECT_FALSE(hasBooleans("10.05.0011"));
    EXPECT_FALSE(hasBooleans("11.01.0100"));
    EXPECT_TRUE(hasBooleans("11.01.0101"));
    EXPECT_TRUE(hasBooleans("11.05.0900"));
    EXPECT_TRUE(hasBooleans("12.01.0000"));
    EXPECT_FALSE(hasBooleans(""));
}

namespace {

std::vector<std::vector<Value>> numberedRows(int count, const std::string &prefix = "n")
{
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= count; ++i) {
        rows.push_back({Value::integer(i), Value::text(prefix + std::to_string(i))});
    }
    return rows;
}

} // namespace

// Yes to "Overwrite?" and the line drops half way: the old table stays as it was, rows and
// all. The source changed before the next send, so that one starts afresh, verifies every
// value and only then replaces the old table.
TEST_F(TypedCopy, ALostLineOnReplaceKeepsTheOldTableAndAChangedSourceStartsAfresh)
{
    emu.seed({"CREATE TABLE \"TOWNS\"(\"OLD\" INTEGER)", "INSERT INTO \"TOWNS\" VALUES(41)"});
    paradoxTable("TOWNS.db", numberedRows(12000));
    startProgram();
    emu.setFaults({.dropAfter = 12});
    dialogs.answers = {true};
    send({QStringLiteral("TOWNS")});
    ASSERT_EQ(dialogs.errorReports().size(), 1)
        << dialogs.errorReports().join(u'\n').toStdString() << logText().toStdString();
    EXPECT_TRUE(dialogs.errorReports()[0].contains(QStringLiteral("SQL30081N")))
        << dialogs.errorReports()[0].toStdString();
    emu.setFaults({});
    EXPECT_EQ(db2Rows("\"TOWNS\""), (Rows{{"41"}}));

    fs::remove(paradoxPath("TOWNS.db"));
    paradoxTable("TOWNS.db", numberedRows(12001, "m"));
    dialogs.answers = {true};
    send({QStringLiteral("TOWNS")});
    EXPECT_EQ(dialogs.errorReports().size(), 1)
        << dialogs.errorReports().join(u'\n').toStdString() << logText().toStdString();
    const QString text = logText();
    EXPECT_TRUE(text.contains(QStringLiteral("dropped the working table an earlier copy of "
                                             "TOWNS left")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("verified every value: 12001 rows of 2 columns")));
    const Rows rows = db2Rows("\"TOWNS\"");
    ASSERT_EQ(rows.size(), 12001U);
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"12001", "m12001"}));
    EXPECT_EQ(emu.tables().size(), 1U);
}

// DB2's log holds fewer rows than a unit of work sends: the copy commits smaller units,
// says so, and ends whole.
TEST_F(TypedCopy, AFullTransactionLogMakesTheUnitsSmallerAndTheCopyEndsWhole)
{
    paradoxTable("BIG.db", numberedRows(11000));
    startProgram();
    emu.setFaults({.logRows = 3000});
    send({QStringLiteral("BIG")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty())
        << dialogs.errorReports().join(u'\n').toStdString();
    EXPECT_TRUE(logText().contains(
        QStringLiteral("the DB2 transaction log is full: committing every 2500 rows")));
    EXPECT_EQ(db2Rows("\"BIG\"").size(), 11000U);
    EXPECT_TRUE(logText().contains(QStringLiteral("  done BIG")));
}

// A working table is no table of the user's: no list shows it; one a copy left more than a
// day ago is dropped by the next typed copy; one of today is left to its copy.
TEST_F(TypedCopy, WorkingTablesAreListedNowhereAndThoseADayOldAreDropped)
{
    const std::string old = tw::transfer::workingName("GONE");
    const std::string recent = tw::transfer::workingName("RECENT");
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    emu.seed({"CREATE TABLE \"" + old + "\"(A INTEGER)",
              "COMMENT ON TABLE \"" + old + "\" IS '" +
                  tw::transfer::checkpointText({0, "feed", now - 2 * 24 * 3600}) + "'",
              "CREATE TABLE \"" + recent + "\"(A INTEGER)",
              "COMMENT ON TABLE \"" + recent + "\" IS '" +
                  tw::transfer::checkpointText({0, "feed", now - 60}) + "'"});
    paradoxTable("T.db", numberedRows(3));
    startProgram();
    EXPECT_TRUE(items(form2->db2List()).isEmpty());
    send({QStringLiteral("T")});
    EXPECT_TRUE(dialogs.errorReports().isEmpty());
    EXPECT_EQ(items(form2->db2List()), QStringList{QStringLiteral("T")});
    std::vector<std::string> names;
    for (const auto &[name, remarks] : emu.tables()) {
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"T", recent}));
}

// The digests compare values as both sides give them, in any row order, and name the
// column that differs; a checkpoint reads back only as written.
TEST(TypedLoad, DigestsAndCheckpoints)
{
    using tw::transfer::comparedText;
    EXPECT_EQ(comparedText(Value::decimal("12.50")), comparedText(Value::decimal("12.5")));
    EXPECT_EQ(comparedText(Value::decimal("-0.00")), comparedText(Value::integer(0)));
    EXPECT_EQ(comparedText(Value::boolean(true)), comparedText(Value::integer(1)));
    EXPECT_NE(comparedText(Value()), comparedText(Value::text("")));
    EXPECT_NE(comparedText(Value::text("1")), comparedText(Value::integer(1)));

    tw::transfer::ColumnDigests sent(2);
    tw::transfer::ColumnDigests back(2);
    tw::transfer::ColumnDigests changed(2);
    sent.add({Value::integer(1), Value::text("a")});
    sent.add({Value::integer(2), Value::text("b")});
    back.add({Value::integer(2), Value::text("b")});
    back.add({Value::integer(1), Value::text("a")});
    changed.add({Value::integer(1), Value::text("a")});
    changed.add({Value::integer(2), Value::text("B")});
    EXPECT_EQ(sent.firstDifference(back), std::nullopt);
    EXPECT_EQ(sent.firstDifference(changed), std::optional<std::size_t>(1));

    const tw::transfer::Checkpoint point{7000, "0123456789abcdef", 1765000000};
    const auto read = tw::transfer::parseCheckpoint(tw::transfer::checkpointText(point));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->rows, 7000);
    EXPECT_EQ(read->source, point.source);
    EXPECT_EQ(read->at, point.at);
    for (const char *forged : {"",
                               "a user's comment",
                               "tablewright resume 1;rows=-5;at=1;source=x",
                               "tablewright resume 1;rows=9x;at=1;source=x",
                               "tablewright resume 1;rows=5;at=1;source="}) {
        EXPECT_FALSE(tw::transfer::parseCheckpoint(forged)) << forged;
    }
}

// Paradox → DB2 → Paradox with both boxes on: each keyed corpus table of every version comes
// back keyed on the same fields, with the same values in the same order, each field of the
// kind it was where a DB2 column keeps it, and a primary index holding what its data blocks
// imply.
TEST_F(TypedCopy, KeyedCorpusTablesComeBackFromDb2WithTheirKeyTypesAndIndex)
{
    if (tw::test::corpusFolder().empty()) {
        GTEST_SKIP() << "the Paradox corpus is not beside the project";
    }
    std::map<QString, std::string> keyed;
    for (const auto &[name, source] : copyCorpusTables()) {
        if (tw::paradox::TableReader::open(tw::test::corpusFolder() / source)
                .header()
                .primaryKeyFields > 0) {
            keyed[name] = source;
        }
    }
    ASSERT_GE(keyed.size(), 20U);
    QStringList names;
    for (const auto &[name, source] : keyed) {
        names << name;
    }
    startProgram();
    send(names);
    ASSERT_EQ(dialogs.errorReports(), QStringList{});

    form2->findChild<QCheckBox *>(QStringLiteral("KeepTypesToParadox"))->setChecked(true);
    select(form2->db2List(), names);
    dialogs.answers = std::deque<bool>(static_cast<std::size_t>(names.size()), true);
    button(*form2, "PushButton3")->click();
    ASSERT_EQ(dialogs.errorReports(), QStringList{});

    // The kinds DB2 has no column of their own for come back as the field of their column:
    // Money as a DECIMAL's BCD, or a DOUBLE's Number when its values needed one.
    const std::map<FieldType, FieldType> cameBackAs = {{FieldType::FormattedMemo, FieldType::Blob},
                                                       {FieldType::Ole, FieldType::Blob},
                                                       {FieldType::Graphic, FieldType::Blob}};
    for (const auto &[name, source] : keyed) {
        SCOPED_TRACE(source);
        const fs::path copy = paradoxPath(name.toStdString() + ".db");
        EXPECT_EQ(tw::paradox::primaryIndexProblems(copy), std::vector<std::string>{});
        tw::paradox::TableReader before =
            tw::paradox::TableReader::open(tw::test::corpusFolder() / source);
        tw::paradox::TableReader after = tw::paradox::TableReader::open(copy);
        EXPECT_EQ(after.header().primaryKeyFields, before.header().primaryKeyFields);
        ASSERT_EQ(after.fields().size(), before.fields().size());
        for (std::size_t f = 0; f < before.fields().size(); ++f) {
            const FieldType was = before.fields()[f].type;
            EXPECT_EQ(after.fields()[f].name, before.fields()[f].name);
            const FieldType is = after.fields()[f].type;
            if (was == FieldType::Money) {
                EXPECT_TRUE(is == FieldType::Bcd || is == FieldType::Number);
            } else {
                EXPECT_EQ(is, cameBackAs.count(was) ? cameBackAs.at(was) : was)
                    << before.fields()[f].name;
            }
        }
        ASSERT_EQ(after.recordCount(), before.recordCount());
        while (before.next() && after.next()) {
            for (std::size_t f = 0; f < before.fields().size(); ++f) {
                const std::string was = before.value(f).toText();
                const std::string is = after.value(f).toText();
                if (before.fields()[f].type == FieldType::Money && !was.empty()) {
                    EXPECT_EQ(std::strtod(is.c_str(), nullptr), std::strtod(was.c_str(), nullptr));
                } else {
                    EXPECT_EQ(is, was)
                        << "record " << before.recordNumber() << ", " << before.fields()[f].name;
                }
            }
        }
    }
}
