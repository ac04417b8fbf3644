#pragma once

// tw_transfer: the transfer page (Form2) with its two table lists, the copies in both
// directions, delete and rename on either side, the type names and SQL texts they send, and
// each press's record in the operation log.

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/operationlog.h"
#include "app/settingsstore.h"
#include "app/widgets/pagepointer.h"
#include "connect/connectionpage.h"
#include "connect/transferpage.h"
#include "db/connection.h"
#include "transfer/listedtable.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QGroupBox;
class QProgressBar;
class QPushButton;

namespace tw::transfer {

class TableList;

// The transfer page: the DB2 tables and the Paradox tables side by side, with Select All,
// Deselect All, send, delete and rename for each side, the progress bar, "< Back" and "Help".
// It reads the connection fields live from the connection page.
class Form2 : public QWidget, public connect::TransferPage
{
    Q_OBJECT

public:
    using MousePointer = app::PagePointer::Shape;

    Form2(app::Dialogs &dialogs,
          connect::ConnectionPage &connectionPage,
          QWidget *parent = nullptr);

    // Colours, icon, hand cursor, caption, then both lists rebuilt from the databases.
    void Form_Load() override;

    // Where the copies, deletes and renames are recorded; none by default.
    void setOperationLog(app::OperationLog *log) { m_log = log; }

    // Where "Keep column types and keys" is remembered (KeepTypes); the box follows it now.
    void setSettings(app::SettingsStore *settings);

    static constexpr auto kKeepTypes = "KeepTypes";

    // "Keep column types and keys": the copy to DB2 makes typed columns, the key and the
    // indexes, and sends bound rows in arrays. Off: the copy is the one-INSERT-per-row text copy.
    bool keepsTypes() const;

    void showPage() override;

    // The user closed a page: the program ends. Work running now stops after the statement
    // in flight and begins nothing new; no box is shown for it.
    void endWork() { m_closing = true; }

    bool closing() const { return m_closing; }

    TableList &db2List() { return *List1; }

    TableList &paradoxList() { return *List2; }

    QProgressBar &progressBar() { return *ProgressBar1; }

    MousePointer mousePointer() const { return m_pointer->shape(); }

    // The progress bar's value as a percentage with its fraction (the bar shows it rounded).
    double progress() const { return m_progress; }

    void setMousePointer(MousePointer pointer) { m_pointer->set(pointer); }

signals:
    // The user closed the page: the program ends.
    void unloaded();
    void progressChanged(double percent);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void SetFormColors();
    void PushButton2_Click();
    void PushButton1_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    class Db2Copy;
    class ParadoxCopy;
    bool openDb2(app::ErrorTrap &trap, int line, db::Connection &db2);
    // The steps both rename buttons share: the selection checks and their messages, the
    // input box, and the list following a rename. `listLine` numbers the list steps.
    void renameSelected(app::ErrorTrap &trap,
                        const QString &operation,
                        TableList &list,
                        int listLine,
                        bool canWork,
                        const std::function<bool(const ListedTable &, const QString &)> &rename);

    // The outcomes of one press, for the closing line of its log entry.
    struct Tally
    {
        int done = 0;
        int failed = 0;
        int skipped = 0;
        int notDone = 0; // stopped, or never tried
    };
    enum class Outcome { Done, Failed, Skipped, Stopped, NotTried };

    // The header line of a press that does something: the operation, the program version,
    // the Paradox folder and the DB2 database, server, port and user (never the password).
    void logOperation(const QString &name) const;
    void logOutcome(Tally &tally, Outcome outcome, const QString &table, const QString &why) const;
    // One "not tried" line for each table a press did not come to, saying why.
    void logNotTried(Tally &tally, const QStringList &tables, const QString &why) const;
    // "N tables copied, M failed, K skipped", with the operation's verb.
    void logClosing(const Tally &tally, const QString &verb) const;

    // One table's turn in a press, logged when it ends however it ends: skipped when passed
    // over, stopped when the window was closed, failed (with the last failure's description)
    // when a box reported a failure on its way or it did not finish whole, done otherwise.
    class TableTurn
    {
    public:
        TableTurn(const Form2 &page, Tally &tally, const app::ErrorTrap &trap, QString table)
            : m_page(page)
            , m_tally(tally)
            , m_trap(trap)
            , m_table(std::move(table))
            , m_reports(trap.reports())
        {}

        ~TableTurn();
        TableTurn(const TableTurn &) = delete;
        TableTurn &operator=(const TableTurn &) = delete;

        void skip(const QString &why) { m_skipped = why; }

        int reportsAtStart() const { return m_reports; }

        void finish(bool whole, const QString &how)
        {
            m_finished = whole;
            m_how = how;
        }

    private:
        const Form2 &m_page;
        Tally &m_tally;
        const app::ErrorTrap &m_trap;
        QString m_table;
        int m_reports;
        QString m_skipped;
        QString m_how;
        bool m_finished = false;
    };

    // A table's rows: the source's count, those read and those written.
    struct RowCounts
    {
        std::int64_t source = 0;
        std::int64_t read = 0;
        std::int64_t written = 0;
        // The rows the target table holds, counted by reading it back after the copy.
        std::optional<std::int64_t> readBack;
    };

    void logTable(const QString &name, const RowCounts &counts) const;
    void logNote(const QString &text) const;
    // The event pump of long work inside the database layer: it throws app::WorkStopped once
    // the window was closed.
    std::function<void()> workPump() const;
    void setProgress(double percent);
    void resetProgress();
    void PushButton8_Click();
    void PushButton9_Click();
    void PushButton10_Click();
    void PushButton11_Click();
    void PushButton12_Click();
    static void selectAll(TableList &list, bool selected);

    app::Dialogs &m_dialogs;
    connect::ConnectionPage &m_connectionPage;
    app::PagePointer *m_pointer; // owned by the page
    bool m_loaded = false;
    app::OperationLog *m_log = nullptr;
    app::SettingsStore *m_settings = nullptr;
    double m_progress = 0;
    bool m_closing = false;

    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QCheckBox *Check1 = nullptr;
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
