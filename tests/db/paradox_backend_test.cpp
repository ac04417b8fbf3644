// The Paradox folder behind db::Connection, on real files.

#include "db/connection.h"
#include "paradox/writer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tw::db;
using tw::paradox::FieldType;

namespace {

tw::paradox::Field field(const char *name, FieldType type, int size = 0)
{
    tw::paradox::Field f;
    f.name = name;
    f.type = type;
    f.size = static_cast<std::uint8_t>(size);
    return f;
}

class ParadoxBackend : public ::testing::Test
{
protected:
    ParadoxBackend()
    {
        tw::paradox::TableWriter orders(folder() + "/Orders.DB",
                                        {field("ID", FieldType::Long),
                                         field("SHIPPED", FieldType::Date),
                                         field("NOTE", FieldType::Memo, 20),
                                         field("PRICE", FieldType::Money),
                                         field("OK", FieldType::Logical),
                                         field("AMOUNT", FieldType::Bcd, 2)});
        orders.append(std::vector{Value::integer(7),
                                  Value(),
                                  Value::text("O'Neil"),
                                  Value::real(9.99),
                                  Value::boolean(true),
                                  Value::decimal("12.34")});
        orders.append(std::vector{Value::integer(8),
                                  Value::date({2021, 8, 31}),
                                  Value::text(std::string(5000, 'n')),
                                  Value(),
                                  Value(),
                                  Value()});
        orders.commit();
        QFile(QString::fromStdString(folder() + "/Orders.PX")).open(QIODevice::WriteOnly);
    }

    std::string folder() const { return m_dir.path().toStdString(); }

    std::string connectionString() const
    {
        return "Driver={Microsoft Paradox Driver (*.db )};DriverID=538;Fil=Paradox "
               "5.X;DefaultDir=" +
               folder() + ";Dbq=" + folder() + ";CollatingSequence=ASCII;";
    }

    std::string errorOf(const std::function<void()> &work)
    {
        try {
            work();
        } catch (const Error &e) {
            return e.what();
        }
        return {};
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ParadoxBackend, SelectOpensTheTableIgnoringLetterCaseWithExactCountAndTypes)
{
    Connection paradox;
    paradox.open(connectionString());
    for (const CursorLocation location : {CursorLocation::Client, CursorLocation::Server}) {
        Recordset rows;
        rows.setCursorLocation(location);
        rows.open("SELECT * FROM `ORDERS`", paradox);
        EXPECT_EQ(rows.recordCount(), location == CursorLocation::Client ? 2 : -1);
        std::vector<int> types;
        for (const Field &f : rows.fields()) {
            types.push_back(f.type);
        }
        EXPECT_EQ(types,
                  (std::vector<int>{
                      adInteger, adDBDate, adLongVarChar, adCurrency, adBoolean, adNumeric}));
        EXPECT_EQ(rows.value("NOTE"), Value::text("O'Neil"));
        EXPECT_TRUE(rows.value(1).isNull());
        rows.moveNext();
        EXPECT_EQ(rows.value("NOTE").asText().size(), 5000U);
        rows.moveNext();
        EXPECT_TRUE(rows.eof());
    }
}

TEST_F(ParadoxBackend, TheSchemaListsEveryTableOfTheFolder)
{
    QDir().mkpath(QString::fromStdString(folder() + "/sub"));
    Connection paradox;
    paradox.open(connectionString());
    Recordset tables;
    tables.openSchema(adSchemaTables, paradox);
    ASSERT_EQ(tables.recordCount(), 1);
    EXPECT_EQ(tables.value("TABLE_TYPE"), Value::text("TABLE"));
    EXPECT_EQ(tables.value("TABLE_NAME"), Value::text("Orders"));
}

TEST_F(ParadoxBackend, OtherStatementsAMissingFolderAndDamagedFilesAreClearErrors)
{
    Connection paradox;
    paradox.open(connectionString());
    for (const char *statement : {"DELETE FROM `ORDERS`", "DROP TABLE [ORDERS]"}) {
        const std::string refused = errorOf([&] { paradox.execute(statement); });
        EXPECT_NE(refused.find(statement), std::string::npos) << refused;
    }
    Recordset rows;
    EXPECT_NE(
        errorOf([&] { rows.open("SELECT ID FROM `ORDERS`", paradox); }).find("SELECT ID FROM"),
        std::string::npos);
    EXPECT_NE(
        errorOf([&] { rows.open("SELECT * FROM `NOPE`", paradox); }).find("has no table NOPE"),
        std::string::npos);

    QFile damaged(QString::fromStdString(folder() + "/BROKEN.db"));
    damaged.open(QIODevice::WriteOnly);
    damaged.write("not a table");
    damaged.close();
    EXPECT_NE(errorOf([&] {
                  rows.open("SELECT * FROM `BROKEN`", paradox);
              }).find("BROKEN.db is not a readable Paradox table"),
              std::string::npos);

    Connection missing;
    EXPECT_NE(errorOf([&] {
                  missing.open("Driver={Microsoft Paradox Driver (*.db "
                               ")};DefaultDir=/no/such/folder;Dbq=/no/such/folder;");
              }).find("does not exist"),
              std::string::npos);
}

TEST_F(ParadoxBackend, DamageTheReaderSurvivesIsStillAnErrorNeverAShortTable)
{
    auto corrupt = [&](const char *file, std::size_t at, const QByteArray &bytes) {
        QFile table(QString::fromStdString(folder() + "/" + file));
        ASSERT_TRUE(table.open(QIODevice::ReadWrite));
        table.seek(static_cast<qint64>(at));
        table.write(bytes);
    };
    Connection paradox;
    paradox.open(connectionString());
    Recordset rows;
    rows.setCursorLocation(CursorLocation::Client);

    QFile::copy(QString::fromStdString(folder() + "/Orders.DB"),
                QString::fromStdString(folder() + "/COUNT.db"));
    corrupt(
        "COUNT.db", 0x06, QByteArray("\x40\x42\x0F\x00", 4)); // the header claims 1,000,000 records
    const std::string count = errorOf([&] { rows.open("SELECT * FROM `COUNT`", paradox); });
    EXPECT_NE(count.find("counts 1000000 records but the blocks hold 2"), std::string::npos)
        << count;

    // A memo stored in the .MB, with the .MB gone or cut short: the row fails with a named error.
    QFile::copy(QString::fromStdString(folder() + "/Orders.DB"),
                QString::fromStdString(folder() + "/NOMB.db"));
    Recordset memo;
    memo.open("SELECT * FROM `NOMB`", paradox);
    EXPECT_NE(errorOf([&] { memo.moveNext(); }).find(".MB file, which is missing"),
              std::string::npos);

    QFile::copy(QString::fromStdString(folder() + "/Orders.DB"),
                QString::fromStdString(folder() + "/SHORT.db"));
    QFile::copy(QString::fromStdString(folder() + "/Orders.MB"),
                QString::fromStdString(folder() + "/SHORT.MB"));
    QFile::resize(QString::fromStdString(folder() + "/SHORT.MB"), 4096 + 100);
    Recordset cut;
    cut.open("SELECT * FROM `SHORT`", paradox);
    EXPECT_NE(errorOf([&] { cut.moveNext(); }).find("SHORT.MB"), std::string::npos);
}

TEST_F(ParadoxBackend, ATableFileTheUserCannotReadIsAClearErrorAndStillListed)
{
    if (::getuid() != 0) {
        GTEST_SKIP() << "drops privileges from root to meet a file it cannot read";
    }
    ::chmod(folder().c_str(), 0755);
    ::chmod((folder() + "/Orders.DB").c_str(), 0600);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        Connection paradox;
        paradox.open(connectionString());
        Recordset tables;
        tables.openSchema(adSchemaTables, paradox);
        const bool listed = tables.recordCount() == 1;
        Recordset rows;
        const std::string error = errorOf([&] { rows.open("SELECT * FROM `Orders`", paradox); });
        const bool clear = error.find("Orders.DB") != std::string::npos &&
                           error.find("Permission denied") != std::string::npos;
        ::_exit(listed && clear ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
