#include "connect/widgets/form1.h"

#include "app/errorlocation.h"
#include "app/errorreport.h"
#include "app/widgets/pagelayout.h"
#include "connect/helptext.h"
#include "support/notransferpage.h"
#include "support/printers.h"
#include "support/scripteddialogs.h"

#include <QDataStream>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <unistd.h>

using tw::connect::Form1;
using tw::test::Box;
using tw::test::ScriptedDialogs;
using Pointer = tw::connect::Form1::MousePointer;

namespace {

// A 32x32 32-bit .cur file with its hot spot at (5, 1).
QByteArray cursorFileBytes()
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    constexpr quint32 kPixels = 32 * 32 * 4;
    constexpr quint32 kMask = 32 * 4;
    out << quint16(0) << quint16(2) << quint16(1);
    out << quint8(32) << quint8(32) << quint8(0) << quint8(0) << quint16(5) << quint16(1)
        << quint32(40 + kPixels + kMask) << quint32(22);
    out << quint32(40) << qint32(32) << qint32(64) << quint16(1) << quint16(32) << quint32(0)
        << quint32(kPixels + kMask) << qint32(0) << qint32(0) << quint32(0) << quint32(0);
    for (quint32 i = 0; i < 32 * 32; ++i) {
        out << quint32(0xFF000000U | (i % 2 == 0 ? 0xFFFFFFU : 0U));
    }
    for (quint32 i = 0; i < kMask; ++i) {
        out << quint8(0);
    }
    return bytes;
}

class ConnectionPage : public ::testing::Test
{
protected:
    QString settingsPath() const { return m_settingsDir.path() + QStringLiteral("/tw.ini"); }

    QString programFolder() const { return m_programDir.path(); }

    void writeProgramFile(const QString &name, const QByteArray &bytes) const
    {
        const QString path = programFolder() + u'/' + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void seed(const char *key, const QString &value) const
    {
        QSettings file(settingsPath(), QSettings::IniFormat);
        file.setValue(QStringLiteral("Tablewright/") + QString::fromLatin1(key), value);
    }

    QStringList storedKeys() const
    {
        QSettings file(settingsPath(), QSettings::IniFormat);
        file.beginGroup(QStringLiteral("Tablewright"));
        return file.childKeys();
    }

    QString stored(const char *key) const
    {
        QSettings file(settingsPath(), QSettings::IniFormat);
        return file
            .value(QStringLiteral("Tablewright/") + QString::fromLatin1(key),
                   QStringLiteral("<absent>"))
            .toString();
    }

    // Builds and loads the page, as the program does at start-up.
    Form1 &start()
    {
        m_store = std::make_unique<tw::app::SettingsStore>(settingsPath());
        m_page = std::make_unique<Form1>(dialogs, *m_store, programFolder(), transferPage, log);
        m_page->Form_Load();
        return *m_page;
    }

    template <class Widget> Widget *control(const char *name) const
    {
        auto *widget = m_page->findChild<Widget *>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QString text(const char *field) const { return control<QLineEdit>(field)->text(); }

    ScriptedDialogs dialogs;
    tw::test::NoTransferPage transferPage;
    tw::app::OperationLog log;

private:
    QTemporaryDir m_settingsDir;
    QTemporaryDir m_programDir;
    std::unique_ptr<tw::app::SettingsStore> m_store;
    std::unique_ptr<Form1> m_page;
};

void hover(QWidget *widget, QEvent::Type type)
{
    if (type == QEvent::Enter) {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(widget, &leave);
    }
}

} // namespace

TEST_F(ConnectionPage, FirstStartShowsAndStoresOnlyTheDefaultPort)
{
    start();
    for (const char *field : {"Text1", "Text2", "Text4", "Text5", "Text6"}) {
        EXPECT_EQ(text(field), QString()) << field;
    }
    EXPECT_EQ(text("Text3"), QStringLiteral("50069"));
    EXPECT_EQ(storedKeys(), QStringList{QStringLiteral("Port")});
    EXPECT_EQ(stored("Port"), QStringLiteral("50069"));
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(ConnectionPage, RestoresEveryFieldFromTheStoreAndWritesNothingElse)
{
    seed("ParadoxFolder", QStringLiteral("/data/px/"));
    seed("Server", QStringLiteral(" db2host "));
    seed("Port", QStringLiteral("50000"));
    seed("User", QStringLiteral("admin"));
    seed("Password", QStringLiteral("se;cret"));
    seed("Database", QStringLiteral("SAMPLE"));

    Form1 &page = start();

    const tw::connect::ConnectionSettings fields = page.connectionSettings();
    EXPECT_EQ(fields.paradoxFolder, QStringLiteral("/data/px/"));
    EXPECT_EQ(fields.server, QStringLiteral(" db2host "));
    EXPECT_EQ(fields.port, QStringLiteral("50000"));
    EXPECT_EQ(fields.user, QStringLiteral("admin"));
    EXPECT_EQ(fields.password, QStringLiteral("se;cret"));
    EXPECT_EQ(fields.database, QStringLiteral("SAMPLE"));
    EXPECT_EQ(storedKeys().size(), 6);
}

TEST_F(ConnectionPage, AClearedPortIsStoredEmptyAndRestoredEmpty)
{
    start();
    control<QLineEdit>("Text3")->clear();
    EXPECT_EQ(stored("Port"), QString());

    start();
    EXPECT_EQ(text("Text3"), QString());
}

TEST_F(ConnectionPage, EachKeystrokeWritesTheWholeFieldAtOnce)
{
    start().show();
    QLineEdit *server = control<QLineEdit>("Text2");
    server->setFocus();

    QStringList written;
    for (char key : {'a', 'b', 'c'}) {
        QTest::keyClick(server, key);
        written << stored("Server");
    }
    EXPECT_EQ(written,
              (QStringList{QStringLiteral("a"), QStringLiteral("ab"), QStringLiteral("abc")}));
}

TEST_F(ConnectionPage, HelpShowsTheTenLinesEachFollowedByTwoCarriageReturns)
{
    start();
    control<QPushButton>("PushButton1")->click();

    ASSERT_EQ(dialogs.boxes.size(), 1U);
    const Box &box = dialogs.boxes[0];
    EXPECT_EQ(box.kind, Box::Kind::Notice);
    EXPECT_EQ(box.caption, QStringLiteral("Tablewright"));
    EXPECT_EQ(box.text, tw::connect::helpText());
    const QStringList lines = box.text.split(QStringLiteral("\r\r"));
    ASSERT_EQ(lines.size(), 11) << "ten lines, the last one followed by CR CR too";
    EXPECT_EQ(lines[0], QStringLiteral("Here is how I connected to my IBM DB2 database."));
    EXPECT_EQ(lines[2], QStringLiteral("specifically"));
    EXPECT_EQ(lines[8], QStringLiteral("Please visit:"));
    EXPECT_TRUE(lines[10].isEmpty());
    EXPECT_FALSE(box.text.contains(u'\n'));
}

TEST_F(ConnectionPage, TabbingIntoAFieldSelectsAllOfItsText)
{
    seed("Server", QStringLiteral("db2host"));
    start().show();
    QApplication::setActiveWindow(control<QLineEdit>("Text1")->window());
    control<QLineEdit>("Text1")->setFocus(Qt::OtherFocusReason);

    QTest::keyClick(control<QLineEdit>("Text1"), Qt::Key_Tab);
    QCoreApplication::processEvents();

    QLineEdit *server = control<QLineEdit>("Text2");
    EXPECT_TRUE(server->hasFocus());
    EXPECT_EQ(server->selectionStart(), 0);
    EXPECT_EQ(server->selectedText(), QStringLiteral("db2host"));
}

TEST_F(ConnectionPage, FocusMovesThroughTheFieldsThenTheButtonsInTheirOrder)
{
    start();
    const char *expected[] = {"Text1",
                              "Text2",
                              "Text3",
                              "Text4",
                              "Text5",
                              "Text6",
                              "PushButton5",
                              "PushButton3",
                              "PushButton4",
                              "PushButton1",
                              "PushButton2",
                              "PushButton6"};
    QWidget *widget = control<QWidget>("Text1");
    for (const char *name : expected) {
        EXPECT_EQ(widget->objectName(), QString::fromLatin1(name));
        do {
            widget = widget->nextInFocusChain();
        } while (widget->focusPolicy() == Qt::NoFocus);
    }
}

TEST_F(ConnectionPage, WithoutCursorOrSkinThePageLoadsQuietlyAndTheHandIsTheArrow)
{
    Form1 &page = start();
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_FALSE(page.hasCustomPointer());
    EXPECT_TRUE(page.styleSheet().isEmpty());

    hover(control<QPushButton>("PushButton4"), QEvent::Enter);
    EXPECT_EQ(page.mousePointer(), Pointer::Custom);
    EXPECT_EQ(page.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(ConnectionPage, AHandCursorFileBecomesThePointerOverButtonsOnly)
{
    writeProgramFile(QStringLiteral("HAND-M.CUR"), cursorFileBytes());
    Form1 &page = start();
    ASSERT_TRUE(dialogs.boxes.empty()) << dialogs.errorReports().join(u'|').toStdString();
    ASSERT_TRUE(page.hasCustomPointer());

    hover(control<QPushButton>("PushButton2"), QEvent::Enter);
    EXPECT_EQ(page.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(page.cursor().hotSpot(), QPoint(5, 1));
    hover(control<QPushButton>("PushButton2"), QEvent::Leave);
    EXPECT_EQ(page.mousePointer(), Pointer::Default);

    hover(control<QPushButton>("PushButton1"), QEvent::Enter);
    hover(control<QLineEdit>("Text4"), QEvent::Enter);
    EXPECT_EQ(page.mousePointer(), Pointer::Default);
    hover(control<QGroupBox>("Frame2"), QEvent::Enter);
    EXPECT_EQ(page.mousePointer(), Pointer::Default);
}

TEST_F(ConnectionPage, HoveringChangesNothingWhileTheHourglassShows)
{
    Form1 &page = start();
    page.setMousePointer(Pointer::Hourglass);
    hover(control<QPushButton>("PushButton3"), QEvent::Enter);
    hover(control<QLineEdit>("Text1"), QEvent::Enter);
    hover(control<QPushButton>("PushButton3"), QEvent::Leave);
    EXPECT_EQ(page.mousePointer(), Pointer::Hourglass);
    EXPECT_EQ(page.cursor().shape(), Qt::WaitCursor);
}

TEST_F(ConnectionPage, AnUnloadableHandCursorIsReportedAtLine126AndTheFieldsAreStillRestored)
{
    writeProgramFile(QStringLiteral("HAND-M.CUR"), QByteArray("this is no cursor file"));
    seed("Database", QStringLiteral("SAMPLE"));

    Form1 &page = start();

    const QStringList reports = dialogs.errorReports();
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].endsWith(
        QStringLiteral("\r\nin Quoralink2021/08/31.Form1.Form_Load at line 126\r\r"
                       "Please email screenshot of this message to support@kelvarin.example")))
        << reports[0].toStdString();
    EXPECT_TRUE(reports[0].contains(QStringLiteral("HAND-M.CUR")));
    EXPECT_FALSE(page.hasCustomPointer());
    EXPECT_EQ(text("Text6"), QStringLiteral("SAMPLE"));
    EXPECT_EQ(text("Text3"), QStringLiteral("50069"));
}

TEST_F(ConnectionPage, ASkinFileColoursThePageAndIsAppliedAsItsStyleSheet)
{
    const QByteArray skin = "QPushButton { color: #203040; }";
    writeProgramFile(QStringLiteral("x/o.cjs"), skin);

    Form1 &page = start();

    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_EQ(page.styleSheet(), QString::fromUtf8(skin));
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    EXPECT_EQ(control<QLabel>("Label3")->palette().color(QPalette::Window), buttonFace);
    EXPECT_EQ(control<QGroupBox>("Frame1")->palette().color(QPalette::Window), buttonFace);
}

TEST_F(ConnectionPage, WithoutSkinLabelsAndFramesAreWhite)
{
    start();
    EXPECT_EQ(control<QLabel>("Label5")->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(control<QGroupBox>("Frame2")->palette().color(QPalette::Window), QColor(Qt::white));
}

TEST_F(ConnectionPage, CaptionsAndTheApplicationTitleAreSetAtLoad)
{
    Form1 &page = start();
    EXPECT_EQ(page.windowTitle(), QStringLiteral("Tablewright"));
    EXPECT_EQ(dialogs.applicationTitle(), QStringLiteral("Tablewright"));
    EXPECT_EQ(control<QGroupBox>("Frame1")->title(), QStringLiteral("Paradox Database"));
    EXPECT_EQ(control<QGroupBox>("Frame2")->title(), QStringLiteral("IBM DB2 Login"));
    EXPECT_EQ(control<QPushButton>("PushButton6")->text(),
              QStringLiteral("Load Sample/Example Database"));
    EXPECT_EQ(control<QPushButton>("PushButton2")->text(), QStringLiteral("Next >"));
}

TEST_F(ConnectionPage, ThePasswordShowsAsterisks)
{
    start();
    QLineEdit *password = control<QLineEdit>("Text5");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(
        password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password),
        u'*');
}

// Every control sits at its twip position on the page's own scale, and the page keeps the
// relations the layout stands on, whatever the screen's resolution.
TEST_F(ConnectionPage, ControlsSitAtTheirTwipPositions)
{
    Form1 &page = start();
    const tw::app::Twips twips = tw::app::Twips::of(page);
    auto at = [&](int left, int top, int width, int height) {
        return QRect(twips.px(left), twips.px(top), twips.px(width), twips.px(height));
    };
    EXPECT_EQ(page.size(), QSize(twips.px(8040), twips.px(5130)));
    EXPECT_EQ(control<QLineEdit>("Text1")->geometry(), at(1680, 360, 5175, 330));
    EXPECT_EQ(control<QLineEdit>("Text3")->geometry(), at(6480, 360, 1095, 330));
    EXPECT_EQ(control<QPushButton>("PushButton2")->geometry(), at(120, 4620, 7800, 405));

    auto *label = control<QLabel>("Label2");
    auto *field = control<QLineEdit>("Text1");
    auto *next = control<QPushButton>("PushButton2");
    EXPECT_LE(label->geometry().right(), field->geometry().left()) << "a label before its field";
    EXPECT_LE(next->geometry().bottom(), page.height()) << "the button stays on the page";
    EXPECT_GT(next->font().pointSizeF(), label->font().pointSizeF())
        << "the buttons' text is larger than the labels'";
    EXPECT_TRUE(label->font().bold());
}

TEST_F(ConnectionPage, ClosingThePageEndsTheProgram)
{
    Form1 &page = start();
    page.show();
    QSignalSpy unloaded(&page, &Form1::unloaded);
    page.close();
    EXPECT_EQ(unloaded.count(), 1);
}

TEST_F(ConnectionPage, TheParadoxTestNeedsAtLeastOneDbFileInTheFolder)
{
    Form1 &page = start();
    QLineEdit *folder = control<QLineEdit>("Text1");
    QPushButton *test = control<QPushButton>("PushButton3");
    const QString tables = programFolder() + QStringLiteral("/tables");
    QDir().mkpath(tables);
    QFile(tables + QStringLiteral("/ORDERS.MB")).open(QIODevice::WriteOnly);
    QFile(tables + QStringLiteral("/ORDERS.PX")).open(QIODevice::WriteOnly);

    QStringList shown;
    for (const QString &text : {QString(), tables, programFolder() + QStringLiteral("/missing")}) {
        folder->setText(text);
        test->click();
    }
    QFile(tables + QStringLiteral("/ORDERS.DB")).open(QIODevice::WriteOnly);
    for (const QString &text : {tables, tables + u'/'}) {
        folder->setText(text);
        test->click();
    }
    EXPECT_EQ(dialogs.notices(),
              (QStringList{QStringLiteral("Could not connect."),
                           QStringLiteral("Could not connect."),
                           QStringLiteral("Could not connect."),
                           QStringLiteral("Connection successful."),
                           QStringLiteral("Connection successful.")}));
    EXPECT_EQ(page.mousePointer(), Pointer::Default);
}

TEST_F(ConnectionPage, AFolderTheFileSystemRefusesToListIsReportedThenCountsAsConnected)
{
    start();
    const QString loop = programFolder() + QStringLiteral("/loop");
    ASSERT_EQ(::symlink(loop.toLocal8Bit().constData(), loop.toLocal8Bit().constData()), 0);
    control<QLineEdit>("Text1")->setText(loop);
    control<QPushButton>("PushButton3")->click();
    ASSERT_EQ(dialogs.boxes.size(), 2U);
    EXPECT_EQ(dialogs.boxes[0].kind, Box::Kind::ErrorReport);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(
        QStringLiteral("\r\nin Quoralink2021/08/31.Form1.PushButton3_Click at line 104\r\r")))
        << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("Connection successful."));
}

TEST_F(ConnectionPage, BrowsingStartsAtLastFolderDotAndFillsTheFolderFieldUnlessCancelled)
{
    seed("LastFolderDot", QStringLiteral("/srv/paradox"));
    seed("ParadoxFolder", QStringLiteral("/old"));
    start();
    dialogs.folders = {QString(), QStringLiteral("/data/Paradox Tables")};

    control<QPushButton>("PushButton5")->click();
    EXPECT_EQ(text("Text1"), QStringLiteral("/old"));
    EXPECT_EQ(stored("ParadoxFolder"), QStringLiteral("/old"));

    control<QPushButton>("PushButton5")->click();
    EXPECT_EQ(text("Text1"), QStringLiteral("/data/Paradox Tables"));
    EXPECT_EQ(stored("ParadoxFolder"), QStringLiteral("/data/Paradox Tables"));
    ASSERT_EQ(dialogs.boxes.size(), 2U);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Please select folder:"));
    EXPECT_EQ(dialogs.boxes[0].initial, QStringLiteral("/srv/paradox"));
    EXPECT_EQ(stored("LastFolderDot"), QStringLiteral("/srv/paradox"))
        << "the program never writes it";
}

TEST_F(ConnectionPage, TheSampleButtonPointsTheFolderAtSamplesBesideTheProgram)
{
    start();
    control<QPushButton>("PushButton6")->click();
    const QString samples = programFolder() + QStringLiteral("/Samples");
    EXPECT_EQ(text("Text1"), samples);
    EXPECT_EQ(stored("ParadoxFolder"), samples);
    control<QPushButton>("PushButton3")->click();
    EXPECT_EQ(dialogs.notices(), QStringList{QStringLiteral("Could not connect.")})
        << "no Samples folder here";
}
