#pragma once

// tw_transfer_widgets: the transfer page (Form2) and its table lists. The page is layout and
// slots; the copies, deletes and renames are the operations of tw_transfer, run through the
// page as their TransferView.

#include "app/dialogs.h"
#include "app/operationlog.h"
#include "app/settingsstore.h"
#include "app/widgets/pagepointer.h"
#include "connect/connectionpage.h"
#include "connect/transferpage.h"
#include "transfer/transferview.h"
#include "transfer/widgets/tablelist.h"

#include <QWidget>

class QCheckBox;
class QGroupBox;
class QProgressBar;
class QPushButton;

namespace tw::transfer {

// The transfer page: the DB2 tables and the Paradox tables side by side, with Select All,
// Deselect All, send, delete and rename for each side, the progress bar, "< Back" and "Help".
// It reads the connection fields live from the connection page.
class Form2 : public QWidget, public connect::TransferPage, public TransferView
{
    Q_OBJECT

public:
    using MousePointer = app::PagePointer::Shape;

    // `settings` remembers "Keep column types and keys" (KeepTypes); `log` records every
    // copy, delete and rename.
    Form2(app::Dialogs &dialogs,
          connect::ConnectionPage &connectionPage,
          app::OperationLog &log,
          app::SettingsStore &settings,
          QWidget *parent = nullptr);

    // Colours, icon, hand cursor, caption, then both lists rebuilt from the databases.
    void Form_Load() override;
    void showPage() override;

    static constexpr auto kKeepTypes = "KeepTypes";
    static constexpr auto kKeepTypesToParadox = "KeepTypesToParadox";

    // The user closed a page: the program ends. Work running now stops after the statement
    // in flight and begins nothing new; no box is shown for it.
    void endWork() { m_closing = true; }

    bool closing() const { return m_closing; }

    TableList &db2List() override { return *List1; }

    TableList &paradoxList() override { return *List2; }

    Progress &progress() override { return m_progress; }

    connect::ConnectionSettings connectionSettings() const override;
    QString programFolder() const override;
    // "Keep column types and keys": the copy to DB2 makes typed columns, the key and the
    // indexes, and sends bound rows in arrays. Off: the copy is the one-INSERT-per-row text copy.
    bool keepsTypes(Direction direction) const override;

    QProgressBar &progressBar() { return *ProgressBar1; }

    MousePointer mousePointer() const { return m_pointer->shape(); }

    // The progress bar's value as a percentage with its fraction (the bar shows it rounded).
    double progressPercent() const { return m_percent; }

    void setMousePointer(MousePointer pointer) { m_pointer->set(pointer); }

signals:
    // The user closed the page: the program ends.
    void unloaded();
    void progressChanged(double percent);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The page's bar, pointer and event loop as the operations see them.
    class PageProgress final : public Progress
    {
    public:
        explicit PageProgress(Form2 &page)
            : m_page(page)
        {}

        void tick() override;

        bool stopping() const override { return m_page.m_closing; }

        void set(double percent) override;
        void reset() override;
        void busy(bool on) override;

    private:
        Form2 &m_page;
    };

    void buildControls();
    void SetFormColors();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void PushButton9_Click();
    void PushButton10_Click();
    void PushButton11_Click();
    void PushButton12_Click();
    static void selectAll(TableList &list, bool selected);

    app::Dialogs &m_dialogs;
    connect::ConnectionPage &m_connectionPage;
    app::OperationLog &m_log;
    app::SettingsStore &m_settings;
    app::PagePointer *m_pointer; // owned by the page
    PageProgress m_progress{*this};
    bool m_loaded = false;
    double m_percent = 0;
    bool m_closing = false;

    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QCheckBox *m_keepTypesBox = nullptr;          // the copy to DB2, in the Paradox frame
    QCheckBox *m_keepTypesToParadoxBox = nullptr; // the copy to Paradox, in the DB2 frame
    TableList *List1 = nullptr;
    TableList *List2 = nullptr;
    QPushButton *PushButton1 = nullptr;
    QPushButton *PushButton2 = nullptr;
    QPushButton *PushButton3 = nullptr;
    QPushButton *PushButton4 = nullptr;
    QPushButton *PushButton5 = nullptr;
    QPushButton *PushButton6 = nullptr;
    QPushButton *PushButton7 = nullptr;
    QPushButton *PushButton8 = nullptr;
    QPushButton *PushButton9 = nullptr;
    QPushButton *PushButton10 = nullptr;
    QPushButton *PushButton11 = nullptr;
    QPushButton *PushButton12 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
};

// The address the "Help" text names.
inline constexpr auto kContactAddress = "https://kelvarin.example/contact";

} // namespace tw::transfer
