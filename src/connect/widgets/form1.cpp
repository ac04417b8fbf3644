#include "connect/widgets/form1.h"

#include "app/applicationtitle.h"
#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/widgets/fileexists.h"
#include "app/widgets/pagebuilder.h"
#include "app/widgets/pagelayout.h"
#include "connect/db2connection.h"
#include "connect/helptext.h"
#include "connect/paradoxfolder.h"
#include "connect/sampledatabase.h"
#include "db/connection.h"
#include "fsutil/addfolder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>

#include <stdexcept>

namespace tw::connect {

namespace {

// Shows every character of the password field as "*".
class AsteriskPasswordStyle final : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint,
                  const QStyleOption *option,
                  const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter) {
            return u'*';
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

struct FieldBinding
{
    QLineEdit *Form1::*field;
    const char *key;
};

} // namespace

Form1::Form1(app::Dialogs &dialogs,
             app::SettingsStore &settings,
             QString programFolder,
             TransferPage &transferPage,
             app::OperationLog &log,
             QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , m_settings(settings)
    , m_programFolder(std::move(programFolder))
    , m_pointer(new app::PagePointer(*this))
    , m_transferPage(transferPage)
    , m_log(log)
{
    setObjectName(QStringLiteral("Form1"));
    buildControls();
    connectFields();
}

void Form1::buildControls()
{
    app::PageBuilder build(*this, *m_pointer, true);
    setFixedSize(build.twips().px(8040), build.twips().px(5130));
    auto field = [&](QWidget *container, const char *name, QRect twipsRect) {
        auto *edit = build.place(new QLineEdit(container), name, twipsRect);
        edit->installEventFilter(this); // selects the whole text on focus
        return edit;
    };

    Frame1 = build.frame("Frame1", "Paradox Database", QRect(120, 120, 7800, 1425));
    Label2 = build.label(Frame1, "Label2", "Paradox Folder:", QRect(240, 405, 1455, 255));
    Text1 = field(Frame1, "Text1", QRect(1680, 360, 5175, 330));
    PushButton5 = build.button(Frame1, "PushButton5", "...", QRect(6945, 360, 600, 345));
    PushButton6 = build.button(
        Frame1, "PushButton6", "Load Sample/Example Database", QRect(240, 840, 3600, 405));
    PushButton3 =
        build.button(Frame1, "PushButton3", "Test Connection", QRect(3960, 840, 3600, 405));

    Frame2 = build.frame("Frame2", "IBM DB2 Login", QRect(120, 1635, 7800, 2865));
    Label1 = build.label(Frame2, "Label1", "Server:", QRect(240, 405, 975, 255));
    Text2 = field(Frame2, "Text2", QRect(1320, 360, 4575, 330));
    Label6 = build.label(Frame2, "Label6", "Port:", QRect(6000, 405, 495, 255));
    Text3 = field(Frame2, "Text3", QRect(6480, 360, 1095, 330));
    Label4 = build.label(Frame2, "Label4", "Username:", QRect(240, 885, 1095, 255));
    Text4 = field(Frame2, "Text4", QRect(1320, 840, 6255, 330));
    Label5 = build.label(Frame2, "Label5", "Password:", QRect(240, 1365, 1095, 255));
    Text5 = field(Frame2, "Text5", QRect(1320, 1320, 6255, 330));
    Label3 = build.label(Frame2, "Label3", "Database:", QRect(240, 1845, 1095, 255));
    Text6 = field(Frame2, "Text6", QRect(1320, 1800, 6255, 330));
    PushButton4 =
        build.button(Frame2, "PushButton4", "Test Connection", QRect(240, 2280, 3600, 405));
    PushButton1 = build.button(Frame2, "PushButton1", "Help", QRect(3960, 2280, 3600, 405));

    PushButton2 = build.button(this, "PushButton2", "Next >", QRect(120, 4620, 7800, 405));

    // Each field is announced by its label; the buttons whose captions do not say what they
    // act on get a name that does.
    const std::pair<QLabel *, QLineEdit *> buddies[] = {{Label2, Text1},
                                                        {Label1, Text2},
                                                        {Label6, Text3},
                                                        {Label4, Text4},
                                                        {Label5, Text5},
                                                        {Label3, Text6}};
    for (const auto &[label, edit] : buddies) {
        label->setBuddy(edit);
        // Enter in a field moves on, as "Next >" does.
        connect(edit, &QLineEdit::returnPressed, PushButton2, &QPushButton::click);
    }
    PushButton5->setAccessibleName(QStringLiteral("Browse for the Paradox folder"));
    PushButton3->setAccessibleName(QStringLiteral("Test Connection to the Paradox folder"));
    PushButton4->setAccessibleName(QStringLiteral("Test Connection to IBM DB2"));
    PushButton2->setDefault(true);

    auto *passwordStyle = new AsteriskPasswordStyle();
    passwordStyle->setParent(Text5);
    Text5->setStyle(passwordStyle);
    Text5->setEchoMode(QLineEdit::Password);

    QWidget *const focusOrder[] = {Text1,
                                   Text2,
                                   Text3,
                                   Text4,
                                   Text5,
                                   Text6,
                                   PushButton5,
                                   PushButton3,
                                   PushButton4,
                                   PushButton1,
                                   PushButton2,
                                   PushButton6};
    for (std::size_t i = 0; i + 1 < std::size(focusOrder); ++i) {
        setTabOrder(focusOrder[i], focusOrder[i + 1]);
    }
    Text1->setFocus(Qt::OtherFocusReason);

    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
}

void Form1::connectFields()
{
    static constexpr FieldBinding bindings[] = {
        {&Form1::Text1, "ParadoxFolder"},
        {&Form1::Text2, "Server"},
        {&Form1::Text3, "Port"},
        {&Form1::Text4, "User"},
        {&Form1::Text5, "Password"},
        {&Form1::Text6, "Database"},
    };
    for (const FieldBinding &binding : bindings) {
        const QString key = QString::fromLatin1(binding.key);
        connect(this->*binding.field,
                &QLineEdit::textChanged,
                this,
                [this, key](const QString &text) { m_settings.SaveSetting(key, text); });
    }
}

void Form1::Form_Load()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form1_Form_Load};

    trap(100, [&] { ApplySkin(); });
    trap(104, [&] {
        setWindowTitle(app::kProductTitle);
        setWindowIcon(QApplication::windowIcon());
    });
    trap(104,
         [&] { m_dialogs.setApplicationTitle(app::applicationTitleFrom(app::kProductTitle)); });

    const QString cursorPath = m_programFolder + QStringLiteral("/HAND-M.CUR");
    if (trap.test(124, [&] { return app::FileExists(cursorPath); })) {
        trap(126, [&] { m_pointer->loadCustom(cursorPath); });
    }

    trap(128, [&] { Text1->setText(m_settings.GetSetting(QStringLiteral("ParadoxFolder"))); });
    trap(130, [&] { Text2->setText(m_settings.GetSetting(QStringLiteral("Server"))); });
    trap(132, [&] {
        Text3->setText(m_settings.GetSetting(QStringLiteral("Port"), QStringLiteral("50069")));
    });
    trap(134, [&] { Text4->setText(m_settings.GetSetting(QStringLiteral("User"))); });
    trap(136, [&] { Text5->setText(m_settings.GetSetting(QStringLiteral("Password"))); });
    trap(138, [&] { Text6->setText(m_settings.GetSetting(QStringLiteral("Database"))); });
    // A settings file that is a link is neither read nor written through: one box says so.
    if (!m_settings.problem().isEmpty()) {
        trap(138, [&] { m_dialogs.notice(m_settings.problem()); });
    }

    if (trap.test(140, [&] { return CheckParadoxFolder(Text1->text()); })) {
        if (trap.test(142, [&] { return CheckDb2Connection(connectionSettings()); })) {
            trap(144, [&] { m_transferPage.showPage(); });
            // The page was never shown: it stays hidden once loading ends.
            trap(146, [&] {
                hide();
                m_startedOnTransferPage = true;
            });
        }
    }
}

void Form1::PushButton2_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form1_PushButton2_Click};
    trap(100, [&] { setMousePointer(MousePointer::Hourglass); });
    // Silent as ever; the log says which check failed and why.
    QString db2Failure;
    if (!trap.test(102, [&] { return CheckParadoxFolder(Text1->text()); })) {
        logNote(QStringLiteral("Next >: the Paradox folder check failed: ") +
                paradoxFolderFailure(Text1->text()));
    } else if (!trap.test(104, [&] {
                   db2Failure = db2ConnectionFailure(connectionSettings());
                   return db2Failure.isEmpty();
               })) {
        logNote(QStringLiteral("Next >: the DB2 connection check failed: ") +
                app::flattened(db2Failure));
    } else {
        trap(106, [&] { m_transferPage.Form_Load(); });
        trap(108, [&] { m_transferPage.showPage(); });
        trap(110, [&] { hide(); });
    }
    trap(112, [&] { setMousePointer(MousePointer::Default); });
}

ConnectionSettings Form1::connectionSettings() const
{
    return {
        Text1->text(), Text2->text(), Text3->text(), Text4->text(), Text5->text(), Text6->text()};
}

void Form1::ApplySkin()
{
    const QString skinPath = m_programFolder + QStringLiteral("/x/o.cjs");
    if (!QFileInfo(skinPath).isFile()) {
        return;
    }
    // Colours first: the page and its frames and labels take the system's button face.
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    for (QWidget *widget : {static_cast<QWidget *>(this),
                            static_cast<QWidget *>(Frame1),
                            static_cast<QWidget *>(Frame2),
                            static_cast<QWidget *>(Label1),
                            static_cast<QWidget *>(Label2),
                            static_cast<QWidget *>(Label3),
                            static_cast<QWidget *>(Label4),
                            static_cast<QWidget *>(Label5),
                            static_cast<QWidget *>(Label6)}) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, buttonFace);
        widget->setPalette(palette);
    }
    // Then the skin itself: a Qt style sheet for the whole page.
    QFile skin(skinPath);
    if (!skin.open(QIODevice::ReadOnly | QIODevice::Text)) {
        throw std::runtime_error("Cannot load the skin " + skinPath.toStdString() + ": " +
                                 skin.errorString().toStdString());
    }
    setStyleSheet(QString::fromUtf8(skin.readAll()));
}

void Form1::setMousePointer(MousePointer pointer)
{
    m_pointer->set(pointer);
}

void Form1::PushButton1_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form1_PushButton1_Click};
    trap(100, [&] { m_dialogs.notice(helpText()); });
}

void Form1::PushButton3_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form1_PushButton3_Click};
    trap(102, [&] { setMousePointer(MousePointer::Hourglass); });
    // A listing that fails is reported and, as with every failed test, the branch is entered.
    if (trap.test(104, [&] { return CheckParadoxFolder(Text1->text()); })) {
        trap(106, [&] { m_dialogs.notice(QStringLiteral("Connection successful.")); });
        logNote(QStringLiteral("Test Connection (Paradox) ") + Text1->text() +
                QStringLiteral(": Connection successful."));
    } else {
        const QString why = paradoxFolderFailure(Text1->text());
        logNote(QStringLiteral("Test Connection (Paradox): Could not connect. ") + why);
        trap(108, [&] { m_dialogs.noticeWithDetails(QStringLiteral("Could not connect."), why); });
    }
    trap(110, [&] { setMousePointer(MousePointer::Default); });
}

void Form1::PushButton5_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form1_PushButton5_Click};
    QString chosen;
    trap(100, [&] {
        const QString start = m_settings.GetSetting(QStringLiteral("LastFolderDot"));
        chosen =
            fsutil::PickFolder(m_dialogs, this, QStringLiteral("Please select folder:"), start);
    });
    if (trap.test(102, [&] { return chosen.isEmpty(); })) {
        return;
    }
    trap(104, [&] { Text1->setText(chosen); });
}

void Form1::PushButton6_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form1_PushButton6_Click};
    trap(100, [&] { Text1->setText(sampleDatabasePath(m_programFolder)); });
}

void Form1::PushButton4_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form1_PushButton4_Click};
    std::optional<db::Connection> connection;
    trap(100, [&] { connection.emplace(); });
    if (!connection) {
        return;
    }
    // From here on a failure is not reported as such: it means the connection failed.
    try {
        setMousePointer(MousePointer::Hourglass);
        connection->open(Db2ConnectionString(connectionSettings()).toStdString());
        m_dialogs.notice(QStringLiteral("Connection successful."));
        logNote(QStringLiteral("Test Connection (DB2) ") + db2Target(connectionSettings()) +
                QStringLiteral(": Connection successful."));
        setMousePointer(MousePointer::Default);
    } catch (const std::exception &e) {
        failedDb2Test(db2FailureDetails(e));
    } catch (...) {
        failedDb2Test(QStringLiteral("Unknown error"));
    }
}

void Form1::failedDb2Test(const QString &details)
{
    logNote(QStringLiteral("Test Connection (DB2) ") + db2Target(connectionSettings()) +
            QStringLiteral(": Could not connect. ") + app::flattened(details));
    m_dialogs.noticeWithDetails(
        QStringLiteral("Could not connect. Please check with your administrator."), details);
    setMousePointer(MousePointer::Default);
}

void Form1::logNote(const QString &text) const
{
    m_log.note(text);
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto *edit = qobject_cast<QLineEdit *>(watched)) {
            // After the line edit's own focus handling, which may place the cursor.
            QMetaObject::invokeMethod(edit, &QLineEdit::selectAll, Qt::QueuedConnection);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit unloaded();
}

} // namespace tw::connect
