#include "transfer/widgets/form2.h"

#include "app/applicationtitle.h"
#include "app/errorlocation.h"
#include "app/errortrap.h"
#include "app/eventpump.h"
#include "app/widgets/fileexists.h"
#include "app/widgets/pagebuilder.h"
#include "app/widgets/pagelayout.h"
#include "connect/db2connection.h"
#include "transfer/deletetables.h"
#include "transfer/paradoxtables.h"
#include "transfer/renametable.h"
#include "transfer/sendtodb2.h"
#include "transfer/sendtoparadox.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>

#include <utility>

namespace tw::transfer {

namespace {
constexpr int kBackTop = 5280;
constexpr int kBackHeight = 405;
} // namespace

Form2::Form2(app::Dialogs &dialogs,
             connect::ConnectionPage &connectionPage,
             app::OperationLog &log,
             app::SettingsStore &settings,
             QWidget *parent)
    : QWidget(parent)
    , m_dialogs(dialogs)
    , m_connectionPage(connectionPage)
    , m_log(log)
    , m_settings(settings)
    , m_pointer(new app::PagePointer(*this))
{
    setObjectName(QStringLiteral("Form2"));
    buildControls();
}

void Form2::buildControls()
{
    app::PageBuilder build(*this, *m_pointer, false);
    const app::Twips &twips = build.twips();
    setFont(build.textFont());
    setFixedWidth(twips.px(8040));
    m_pointer->watch(*this);

    Frame1 = build.frame("Frame1", "IBM DB2 Tables", QRect(120, 120, 3840, 4515));
    List1 = build.place(new TableList(Frame1), "List1", QRect(240, 360, 3330, 1635));
    PushButton10 = build.button(Frame1, "PushButton10", "Select All", QRect(240, 2100, 1600, 400));
    PushButton11 =
        build.button(Frame1, "PushButton11", "Deselect All", QRect(1960, 2100, 1600, 400));
    PushButton3 =
        build.button(Frame1, "PushButton3", "Send Table/s To Paradox", QRect(240, 2600, 3330, 400));
    PushButton1 =
        build.button(Frame1, "PushButton1", "Delete Table/s", QRect(240, 3100, 3330, 400));
    PushButton6 = build.button(Frame1, "PushButton6", "Rename Table", QRect(240, 3600, 3330, 400));
    m_keepTypesToParadoxBox =
        build.place(new QCheckBox(QStringLiteral("Keep column types and keys"), Frame1),
                    "KeepTypesToParadox",
                    QRect(240, 4080, 3330, 300));

    Frame2 = build.frame("Frame2", "Paradox Tables", QRect(4080, 120, 3840, 4515));
    List2 = build.place(new TableList(Frame2), "List2", QRect(240, 360, 3330, 1635));
    PushButton8 = build.button(Frame2, "PushButton8", "Select All", QRect(240, 2100, 1600, 405));
    PushButton9 = build.button(Frame2, "PushButton9", "Deselect All", QRect(1960, 2100, 1600, 405));
    PushButton4 =
        build.button(Frame2, "PushButton4", "Send Table/s To IBM DB2", QRect(240, 2600, 3330, 405));
    PushButton5 =
        build.button(Frame2, "PushButton5", "Delete Table/s", QRect(240, 3100, 3330, 405));
    PushButton7 = build.button(Frame2, "PushButton7", "Rename Table", QRect(240, 3600, 3330, 405));
    m_keepTypesBox =
        build.place(new QCheckBox(QStringLiteral("Keep column types and keys"), Frame2),
                    "KeepTypes",
                    QRect(240, 4080, 3330, 300));

    ProgressBar1 = build.place(new QProgressBar(this), "ProgressBar1", QRect(120, 4760, 7800, 405));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setFormat(QStringLiteral("Progress Bar"));
    ProgressBar1->setAlignment(Qt::AlignCenter);

    PushButton2 =
        build.button(this, "PushButton2", "< Back", QRect(120, kBackTop, 3840, kBackHeight));
    PushButton12 =
        build.button(this, "PushButton12", "Help", QRect(4080, kBackTop, 3840, kBackHeight));
    // Until the page load sets it from the "< Back" button.
    setFixedHeight(twips.px(kBackTop + kBackHeight + 580));

    // What a screen reader says beside the captions, which both sides share.
    List1->setAccessibleName(QStringLiteral("IBM DB2 Tables"));
    List2->setAccessibleName(QStringLiteral("Paradox Tables"));
    ProgressBar1->setAccessibleName(QStringLiteral("Progress"));
    ProgressBar1->setAccessibleDescription(QStringLiteral("0%"));
    for (QPushButton *button :
         {PushButton10, PushButton11, PushButton3, PushButton1, PushButton6}) {
        button->setAccessibleDescription(QStringLiteral("IBM DB2 tables"));
    }
    for (QPushButton *button : {PushButton8, PushButton9, PushButton4, PushButton5, PushButton7}) {
        button->setAccessibleDescription(QStringLiteral("Paradox tables"));
    }
    m_keepTypesBox->setAccessibleName(QStringLiteral("Keep column types and keys"));
    m_keepTypesBox->setAccessibleDescription(
        QStringLiteral("Send Table/s To IBM DB2 makes typed columns, the key and the indexes"));
    m_keepTypesToParadoxBox->setAccessibleName(QStringLiteral("Keep column types and keys"));
    m_keepTypesToParadoxBox->setAccessibleDescription(
        QStringLiteral("Send Table/s To Paradox makes a field of each column's own type and "
                       "the primary key with its index, written straight"));

    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form2::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form2::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
    connect(PushButton9, &QPushButton::clicked, this, &Form2::PushButton9_Click);
    connect(PushButton10, &QPushButton::clicked, this, &Form2::PushButton10_Click);
    connect(PushButton11, &QPushButton::clicked, this, &Form2::PushButton11_Click);
    connect(PushButton12, &QPushButton::clicked, this, &Form2::PushButton12_Click);
    // Each box remembers its choice under its own key, off until ticked.
    for (const auto &[box, key] : {std::pair{m_keepTypesBox, kKeepTypes},
                                   std::pair{m_keepTypesToParadoxBox, kKeepTypesToParadox}}) {
        {
            const QSignalBlocker quiet(box);
            box->setChecked(m_settings.GetSetting(QString::fromLatin1(key)) == u"1");
        }
        connect(box, &QCheckBox::toggled, this, [this, key = key](bool on) {
            m_settings.SaveSetting(QString::fromLatin1(key),
                                   on ? QStringLiteral("1") : QStringLiteral("0"));
        });
    }
}

connect::ConnectionSettings Form2::connectionSettings() const
{
    return m_connectionPage.connectionSettings();
}

QString Form2::programFolder() const
{
    return m_connectionPage.programFolder();
}

bool Form2::keepsTypes(Direction direction) const
{
    return (direction == Direction::ToDb2 ? m_keepTypesBox : m_keepTypesToParadoxBox)->isChecked();
}

void Form2::SetFormColors()
{
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    for (QWidget *widget : {static_cast<QWidget *>(this),
                            static_cast<QWidget *>(Frame1),
                            static_cast<QWidget *>(Frame2)}) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, buttonFace);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    }
}

void Form2::Form_Load()
{
    m_loaded = true;
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_Form_Load};
    trap(100, [&] { SetFormColors(); });
    trap(102, [&] { setWindowIcon(QApplication::windowIcon()); });
    const QString cursorPath = programFolder() + QStringLiteral("/HAND-M.CUR");
    if (trap.test(106, [&] { return app::FileExists(cursorPath); })) {
        trap(108, [&] { m_pointer->loadCustom(cursorPath); });
    }
    trap(110, [&] { setWindowTitle(app::kProductTitle); });
    trap(112, [&] { List1->clear(); });
    trap(114, [&] { List2->clear(); });
    trap(116, [&] { LoadDB2Tables(*List1, connect::Db2ConnectionString(connectionSettings())); });
    trap(118,
         [&] { LoadParadoxTables(*List2, connectionSettings().paradoxFolder, m_dialogs, m_log); });
    trap(120, [&] {
        const app::Twips twips = app::Twips::of(*this);
        // The outer height: the "< Back" button's bottom plus 580 twips, the caption included.
        const int caption = std::max(frameGeometry().height() - geometry().height(), 0);
        setFixedHeight(twips.px(kBackTop + kBackHeight + 580) - caption);
    });
}

void Form2::showPage()
{
    if (!m_loaded) {
        Form_Load();
    }
    show();
}

void Form2::selectAll(TableList &list, bool selected)
{
    for (int i = 0; i < list.count(); ++i) {
        list.item(i)->setSelected(selected);
    }
    // Every item selected: the buttons that look for a current item find one.
    if (selected && list.currentIndex() == -1) {
        list.makeFirstCurrent();
    }
}

void Form2::PushButton1_Click()
{
    DeleteDb2Tables(m_dialogs, m_log, *this).run();
}

void Form2::PushButton2_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton2_Click};
    trap(100, [&] { m_connectionPage.showPage(); });
    trap(102, [&] { hide(); });
}

void Form2::PushButton3_Click()
{
    SendToParadox(m_dialogs, m_log, *this).run();
}

void Form2::PushButton4_Click()
{
    SendToDb2(m_dialogs, m_log, *this).run();
}

void Form2::PushButton5_Click()
{
    DeleteParadoxTables(m_dialogs, m_log, *this).run();
}

void Form2::PushButton6_Click()
{
    RenameDb2Table(m_dialogs, m_log, *this).run();
}

void Form2::PushButton7_Click()
{
    RenameParadoxTable(m_dialogs, m_log, *this).run();
}

void Form2::PushButton8_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton8_Click};
    trap(100, [&] { selectAll(*List2, true); });
}

void Form2::PushButton9_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton9_Click};
    trap(100, [&] { selectAll(*List2, false); });
}

void Form2::PushButton10_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton10_Click};
    trap(100, [&] { selectAll(*List1, true); });
}

void Form2::PushButton11_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton11_Click};
    trap(100, [&] { selectAll(*List1, false); });
}

void Form2::PushButton12_Click()
{
    app::ErrorTrap trap{m_dialogs, app::ErrorLocation::Form2_PushButton12_Click};
    trap(100, [&] {
        m_dialogs.notice(QStringLiteral("Questions? Please contact Team Kelvarin at ") +
                         QString::fromLatin1(kContactAddress));
    });
}

void Form2::PageProgress::tick()
{
    app::pumpEvents();
}

void Form2::PageProgress::set(double percent)
{
    m_page.m_percent = percent;
    QProgressBar &bar = *m_page.ProgressBar1;
    const int shown = static_cast<int>(percent + 0.5);
    if (shown != bar.value()) {
        // The bar's text stays "Progress Bar": a screen reader hears the percentage.
        bar.setAccessibleDescription(QString::number(shown) + u'%');
    }
    bar.setValue(shown);
    emit m_page.progressChanged(percent);
}

void Form2::PageProgress::reset()
{
    set(0);
    m_page.ProgressBar1->setFormat(QStringLiteral("Progress Bar"));
}

void Form2::PageProgress::busy(bool on)
{
    m_page.setMousePointer(on ? MousePointer::Hourglass : MousePointer::Default);
}

void Form2::closeEvent(QCloseEvent *event)
{
    event->accept();
    endWork();
    emit unloaded();
}

} // namespace tw::transfer
