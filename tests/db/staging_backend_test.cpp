// The staging database behind db::Connection, and its export into Paradox tables.

#include "db/connection.h"
#include "paradox/reader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace tw::db;
using tw::paradox::FieldType;

namespace {

class StagingBackend : public ::testing::Test
{
protected:
    StagingBackend()
    {
        sqlite3 *db = nullptr;
        sqlite3_open(file().c_str(), &db);
        sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QDir().mkpath(QString::fromStdString(paradoxFolder()));
        staging.open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + file() + ";");
    }

    std::string file() const { return m_dir.path().toStdString() + "/dbtemp.mdb"; }

    std::string paradoxFolder() const { return m_dir.path().toStdString() + "/px"; }

    std::string exportText(const std::string &name, const std::string &source) const
    {
        return "select * into [Paradox 5.x;Database=" + paradoxFolder() + "/].[" + name +
               ".db] from [" + source + "]";
    }

    // Creates a staging table and fills it with the given rows (each value as the copy sends it).
    void stage(const std::string &table,
               const std::string &columns,
               const std::vector<std::string> &rows)
    {
        staging.execute("CREATE TABLE `" + table + "`(" + columns + ");");
        for (const std::string &row : rows) {
            staging.execute("INSERT INTO `" + table + "` VALUES(" + row + ")");
        }
    }

    tw::paradox::TableReader exported(const std::string &name) const
    {
        return tw::paradox::TableReader::open(paradoxFolder() + "/" + name + ".db");
    }

    std::vector<std::vector<Value>> rowsOf(const std::string &name) const
    {
        tw::paradox::TableReader table = exported(name);
        std::vector<std::vector<Value>> rows;
        while (table.next()) {
            std::vector<Value> row;
            for (std::size_t i = 0; i < table.fields().size(); ++i) {
                row.push_back(table.value(i));
            }
            rows.push_back(row);
        }
        return rows;
    }

    std::string errorOf(const std::string &sql)
    {
        try {
            staging.execute(sql);
        } catch (const Error &e) {
            return e.what();
        }
        return {};
    }

    QTemporaryDir m_dir;
    Connection staging;
};

} // namespace

TEST_F(StagingBackend, EveryStagingTypeLandsInParadoxWithExactlyItsValues)
{
    stage("EDGES",
          "`T`TEXT,`V`VARCHAR,`M`MEMO,`I`INT,`C`INT,`D`DECIMAL,`F`FLOAT,`DT`DATETIME,`TS`DATETIME,`"
          "B`OLEOBJECT",
          {"'Zoë', 'x', 'memo\r\nline', '2147483647', '12.34', '-0.000001', '0.1', '1899-12-30', "
           "'2038-01-19 03:14:07.999', 'DEADBEEF'",
           "'O''Neil', NULL, NULL, '-2147483647', '-7', '99999999999999999999999999.999999', "
           "'-1e-300', "
           "'9999-12-31', '1969-07-20-20.17.40', '00'",
           "NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL"});
    staging.execute(exportText("EDGES", "EDGES"));

    tw::paradox::TableReader table = exported("EDGES");
    std::vector<std::pair<FieldType, int>> types;
    for (const auto &f : table.fields()) {
        types.emplace_back(f.type,
                           f.type == FieldType::Alpha || f.type == FieldType::Bcd ? f.size : 0);
    }
    EXPECT_EQ(types,
              (std::vector<std::pair<FieldType, int>>{{FieldType::Alpha, 6},
                                                      {FieldType::Alpha, 1},
                                                      {FieldType::Memo, 0},
                                                      {FieldType::Long, 0},
                                                      {FieldType::Bcd, 2},
                                                      {FieldType::Bcd, 6},
                                                      {FieldType::Number, 0},
                                                      {FieldType::Date, 0},
                                                      {FieldType::Timestamp, 0},
                                                      {FieldType::Blob, 0}}));
    const auto rows = rowsOf("EDGES");
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0],
              (std::vector<Value>{Value::text("Zoë"),
                                  Value::text("x"),
                                  Value::text("memo\r\nline"),
                                  Value::integer(2147483647),
                                  Value::decimal("12.34"),
                                  Value::decimal("-0.000001"),
                                  Value::real(0.1),
                                  Value::date({1899, 12, 30}),
                                  Value::timestamp({{2038, 1, 19}, 11'647'999}),
                                  Value::bytes({0xDE, 0xAD, 0xBE, 0xEF})}));
    EXPECT_EQ(rows[1][4], Value::decimal("-7.00")) << "the cents column keeps its scale";
    EXPECT_EQ(rows[1][5], Value::decimal("99999999999999999999999999.999999"));
    EXPECT_EQ(rows[1][7], Value::date({9999, 12, 31}));
    for (const Value &value : rows[2]) {
        EXPECT_TRUE(value.isNull());
    }
}

TEST_F(StagingBackend, LongTextBecomesAMemoAndAnEmptyTableStaysEmpty)
{
    const std::string longText(70'000, 'L');
    stage("LONG", "`T`TEXT", {"'" + longText + "'"});
    staging.execute(exportText("LONG", "LONG"));
    EXPECT_EQ(exported("LONG").fields()[0].type, FieldType::Memo);
    EXPECT_EQ(rowsOf("LONG")[0][0], Value::text(longText));

    stage("NONE", "`A`TEXT,`N`INT", {});
    staging.execute(exportText("NONE", "NONE"));
    EXPECT_EQ(exported("NONE").recordCount(), 0U);
}

TEST_F(StagingBackend, AnExistingTargetInAnyLetterCaseFailsTheExportAndStaysUntouched)
{
    stage("ORDERS", "`A`TEXT", {"'new'"});
    staging.execute(exportText("ORDERS", "ORDERS"));
    const QString existing = QString::fromStdString(paradoxFolder() + "/ORDERS.db");
    QFile::rename(existing, QString::fromStdString(paradoxFolder() + "/Orders.DB"));
    const std::string error = errorOf(exportText("ORDERS", "ORDERS"));
    EXPECT_NE(error.find("already there"), std::string::npos) << error;
    EXPECT_EQ(QDir(QString::fromStdString(paradoxFolder())).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("Orders.DB")});
}

TEST_F(StagingBackend, AValueOrNameNoParadoxTypeCanHoldFailsTheExportAndLeavesNoTable)
{
    stage("BAD", "`NAME`TEXT", {"'fine'", "'Ωmega'"});
    std::string error = errorOf(exportText("BAD", "BAD"));
    EXPECT_NE(error.find("BAD"), std::string::npos);
    EXPECT_NE(error.find("\"NAME\", row 2"), std::string::npos) << error;
    stage("WIDE", "`A_COLUMN_NAME_OF_THIRTY_CHARS`TEXT", {"'x'"});
    EXPECT_NE(errorOf(exportText("WIDE", "WIDE")).find("A_COLUMN_NAME_OF_THIRTY_CHARS"),
              std::string::npos);
    stage("MICRO", "`TS`DATETIME", {"'2021-08-31 10:00:00.000001'"});
    EXPECT_NE(errorOf(exportText("MICRO", "MICRO")).find("whole milliseconds"), std::string::npos);
    stage("NOTDATE", "`D`DATETIME", {"'31.08.2021'"});
    EXPECT_NE(errorOf(exportText("NOTDATE", "NOTDATE")).find("not a date"), std::string::npos);
    EXPECT_TRUE(QDir(QString::fromStdString(paradoxFolder()))
                    .entryList(QDir::Files | QDir::Hidden)
                    .isEmpty());
}

TEST_F(StagingBackend, TheStatementShapesOfTheCopyWorkAndOthersAreRefused)
{
    stage("T", "`a`TEXT,`b`INT", {"'1', NULL"});
    EXPECT_NE(errorOf("CREATE TABLE `t`(`x`TEXT);").find("already exists"), std::string::npos);
    EXPECT_NE(errorOf("INSERT INTO `T` VALUES('only one')").find("values"), std::string::npos);
    EXPECT_NE(errorOf("UPDATE T SET a = 1").find("UPDATE T SET a = 1"), std::string::npos);
    EXPECT_NE(errorOf("CREATE TABLE `X`(`a` WIDGET);").find("field definition"), std::string::npos);
    Recordset tables;
    tables.openSchema(adSchemaTables, staging);
    ASSERT_EQ(tables.recordCount(), 1);
    EXPECT_EQ(tables.value("TABLE_NAME"), Value::text("T"));
    staging.execute("DROP TABLE [T]");
    EXPECT_NE(errorOf("DROP TABLE [T]").find("does not exist"), std::string::npos);
    // Quote characters inside names are doubled.
    stage("a``b]c", "`x``y`TEXT", {"'v'"});
    staging.execute("select * into [Paradox 5.x;Database=" + paradoxFolder() +
                    "].[QUOTED.db] from [a`b]]c]");
    EXPECT_EQ(exported("QUOTED").fields()[0].name, "x`y");
}

TEST(StagingDatabase, AMissingFileIsAnErrorAndIsNeverCreated)
{
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/dbtemp.mdb";
    Connection staging;
    try {
        staging.open("PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + file + ";");
        FAIL() << "opened a missing staging database";
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find("dbtemp.mdb\" is missing"), std::string::npos);
    }
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
}
