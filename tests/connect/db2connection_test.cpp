#include "connect/db2connection.h"

#include "app/settingsstore.h"
#include "connect/widgets/form1.h"
#include "support/db2emu.h"
#include "support/notransferpage.h"
#include "support/printers.h"
#include "support/scripteddialogs.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tw::connect::CheckDb2Connection;
using tw::connect::ConnectionSettings;
using tw::connect::Db2ConnectionString;
using tw::connect::Form1;
using tw::test::Db2Emu;

namespace {

ConnectionSettings working()
{
    ConnectionSettings fields;
    fields.server = QStringLiteral("db2host");
    fields.port = QStringLiteral("50000");
    fields.user = QStringLiteral("admin");
    fields.password = QStringLiteral("secret");
    fields.database = QStringLiteral("SAMPLE");
    return fields;
}

// The connection page with its DB2 fields typed in, and its "Test Connection" pressed.
class Db2TestButton : public ::testing::Test
{
protected:
    QStringList press(const ConnectionSettings &fields)
    {
        QTemporaryDir dir;
        tw::app::SettingsStore settings(dir.path() + QStringLiteral("/tw.ini"));
        tw::test::NoTransferPage transferPage;
        tw::app::OperationLog log;
        Form1 page(dialogs, settings, dir.path(), transferPage, log);
        page.Form_Load();
        const std::pair<const char *, QString> typed[] = {{"Text2", fields.server},
                                                          {"Text3", fields.port},
                                                          {"Text4", fields.user},
                                                          {"Text5", fields.password},
                                                          {"Text6", fields.database}};
        for (const auto &[name, text] : typed) {
            page.findChild<QLineEdit *>(QString::fromLatin1(name))->setText(text);
        }
        page.findChild<QPushButton *>(QStringLiteral("PushButton4"))->click();
        EXPECT_EQ(page.mousePointer(), Form1::MousePointer::Default);
        return dialogs.notices();
    }

    Db2Emu emu;
    tw::test::ScriptedDialogs dialogs;
};

const QString kFailed = QStringLiteral("Could not connect. Please check with your administrator.");

} // namespace

TEST(Db2ConnectionString, IsTheFieldsAsTypedInTheDriversOrder)
{
    ConnectionSettings fields = working();
    fields.server = QStringLiteral("db2host");
    fields.user = QStringLiteral("admin");
    fields.password.clear();
    fields.port = QStringLiteral("50000");
    EXPECT_EQ(
        Db2ConnectionString(fields),
        QStringLiteral("Driver={IBM DB2 ODBC DRIVER};Database=SAMPLE;Hostname=db2host;Port=50000;"
                       "Protocol=TCPIP;Uid=admin;Pwd=;"));
    EXPECT_EQ(
        Db2ConnectionString({}),
        QStringLiteral(
            "Driver={IBM DB2 ODBC DRIVER};Database=;Hostname=;Port=;Protocol=TCPIP;Uid=;Pwd=;"));
    // Braces and blanks the driver reads as they are go as they are.
    fields.password = QStringLiteral(" a}b=c{} ");
    EXPECT_TRUE(Db2ConnectionString(fields).endsWith(QStringLiteral(";Pwd= a}b=c{} ;")));
}

// IBM's driver ends a value at every ";", braces or not, and a NUL ends the text it reads: a
// field that would add, drop or change a keyword is refused, naming the field, and nothing
// reaches the driver.
TEST_F(Db2TestButton, AFieldTheDriverCannotReadAsTypedIsRefusedAndNothingIsSent)
{
    struct Case
    {
        const char *field;
        QString ConnectionSettings::*member;
        QString text;
    };

    const Case cases[] = {
        {"password", &ConnectionSettings::password, QStringLiteral("S3cr};Hostname=evil;x={")},
        {"database", &ConnectionSettings::database, QStringLiteral("SAMPLE;Hostname=elsewhere")},
        {"user name",
         &ConnectionSettings::user,
         QStringLiteral("admin") + QChar(0) + QStringLiteral("x")},
        {"server", &ConnectionSettings::server, QStringLiteral("{db2host}")}};
    for (const auto &[field, member, text] : cases) {
        ConnectionSettings fields = working();
        fields.*member = text;
        emu.clearLog();
        dialogs.boxes.clear();
        EXPECT_EQ(press(fields), QStringList{kFailed}) << field;
        const QString details = dialogs.boxes.back().details;
        EXPECT_TRUE(details.startsWith(QStringLiteral("The DB2 ") + QLatin1String(field) +
                                       QStringLiteral(" field")))
            << field << ": " << details.toStdString();
        EXPECT_EQ(emu.connects(), 0) << field;
        EXPECT_THROW(Db2ConnectionString(fields), std::runtime_error) << field;
        EXPECT_TRUE(tw::connect::db2Target(fields).startsWith(QStringLiteral("(none: ")));
    }
}

TEST_F(Db2TestButton, SaysConnectionSuccessfulForAWorkingLoginAndSendsTheStringUnchanged)
{
    EXPECT_EQ(press(working()), QStringList{QStringLiteral("Connection successful.")});
    ASSERT_EQ(emu.log().size(), 1U) << "the test connects once and runs nothing";
    EXPECT_EQ(emu.log()[0], "CONNECT " + Db2ConnectionString(working()).toStdString());
    EXPECT_EQ(dialogs.boxes[0].caption, QStringLiteral("Tablewright"));
}

TEST_F(Db2TestButton, SaysCouldNotConnectForEveryKindOfFailure)
{
    auto with = [](QString ConnectionSettings::*field, const QString &text) {
        ConnectionSettings c = working();
        c.*field = text;
        return c;
    };
    const std::pair<const char *, ConnectionSettings> failures[] = {
        {"host that does not resolve",
         with(&ConnectionSettings::server, QStringLiteral("nowhere.example"))},
        {"unreachable host", with(&ConnectionSettings::server, QStringLiteral("10.254.254.254"))},
        {"wrong port", with(&ConnectionSettings::port, QStringLiteral("50001"))},
        {"wrong password", with(&ConnectionSettings::password, QStringLiteral("wrong"))},
        {"unknown user", with(&ConnectionSettings::user, QStringLiteral("nobody"))},
        {"unknown database", with(&ConnectionSettings::database, QStringLiteral("NOSUCHDB"))},
        {"a ';' in the password", with(&ConnectionSettings::password, QStringLiteral("sec;ret"))},
        {"empty fields", ConnectionSettings{}}};
    for (const auto &[what, fields] : failures) {
        dialogs.boxes.clear();
        EXPECT_EQ(press(fields), QStringList{kFailed}) << what;
        EXPECT_TRUE(dialogs.errorReports().isEmpty()) << what;
    }
}

TEST_F(Db2TestButton, SaysWhyUnderShowDetailsForTheFailuresUsersMeet)
{
    auto details = [&](const ConnectionSettings &fields) {
        dialogs.boxes.clear();
        EXPECT_EQ(press(fields), QStringList{kFailed});
        return dialogs.boxes.empty() ? QString() : dialogs.boxes.back().details;
    };
    ConnectionSettings password = working();
    password.password = QStringLiteral("wrong");
    const QString refused = details(password);
    EXPECT_TRUE(refused.startsWith(QStringLiteral("SQLSTATE 08001, native code -30082\n")))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains(QStringLiteral("SQL30082N")));
    EXPECT_TRUE(refused.endsWith(QStringLiteral("DB2 refused the user name or the password.")));
    ConnectionSettings host = working();
    host.server = QStringLiteral("nohost");
    EXPECT_TRUE(details(host).contains(QStringLiteral("check the server name and the port")));
    ConnectionSettings database = working();
    database.database = QStringLiteral("NODB");
    EXPECT_TRUE(details(database).contains(QStringLiteral("no database of this name")));

    // A driver not registered, or registered with a library that cannot be loaded: in a new
    // process each, since unixODBC reads its driver list once per process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::pair<const char *, const char *> registrations[] = {
        {"TW_TEST_NO_DB2_DRIVER", "is not registered with unixODBC, which reads its drivers from"},
        {"TW_TEST_DB2_DRIVER", "cannot be loaded (Can't open lib '/nonexistent/libdb2o.so'"}};
    for (const auto &[variable, hint] : registrations) {
        ::setenv(variable, "/nonexistent/libdb2o.so", 1);
        EXPECT_EXIT(
            {
                const QString shown = details(working());
                std::_Exit(dialogs.notices() == QStringList{kFailed} &&
                                   shown.contains(QString::fromUtf8(hint))
                               ? 0
                               : 1);
            },
            ::testing::ExitedWithCode(0),
            "")
            << variable;
        ::unsetenv(variable);
    }
}

TEST(CheckDb2Connection, IsTrueOnlyWhenTheConnectionOpens)
{
    Db2Emu emu;
    EXPECT_TRUE(CheckDb2Connection(working()));
    ConnectionSettings wrong = working();
    wrong.port = QStringLiteral(" 50000");
    EXPECT_FALSE(CheckDb2Connection(wrong)) << "a blank typed before the port is sent as it is";
    EXPECT_FALSE(CheckDb2Connection({}));
}
