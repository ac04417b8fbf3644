#pragma once

#include "app/operationlog.h"
#include "app/settingsstore.h"
#include "connect/widgets/form1.h"
#include "core/value.h"
#include "paradox/format.h"
#include "support/db2emu.h"
#include "support/scripteddialogs.h"
#include "transfer/widgets/form2.h"
#include "transfer/widgets/tablelist.h"
#include "transfer/widgets/wizard.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tw::test {

// Both pages built for real (offscreen), a settings file, an operation log, a program folder,
// a Paradox folder and the DB2 emulation, with the connection fields pointing at the two
// databases.
class TransferFixture : public ::testing::Test
{
protected:
    TransferFixture();

    QString paradoxFolder() const { return m_paradox.path(); }

    QString programFolder() const { return m_program.path(); }

    std::string paradoxPath(const std::string &file) const
    {
        return m_paradox.path().toStdString() + "/" + file;
    }

    // The empty staging database beside the program, as the build puts it there.
    void makeStagingDatabase() const;
    // Tables the staging database holds.
    QStringList stagingTables() const;
    // Starts the program: the connection page's load, as main() runs it.
    void startProgram();
    // Ends the program and starts it again with the same settings, log and folders.
    void restartProgram();
    // The field texts of the connection page.
    void setField(const char *name, const QString &text);
    // A Paradox table with one Long and one Alpha field and the given rows.
    void paradoxTable(const std::string &file,
                      const std::vector<std::vector<db::Value>> &rows = {});
    void paradoxTable(const std::string &file,
                      const std::vector<paradox::Field> &fields,
                      const std::vector<std::vector<db::Value>> &rows);

    // Every corpus table the reader can read, copied with its family (memos, indexes) into
    // the Paradox folder under short names (C00, C01...: the corpus repeats names across
    // folders): each copy's name and its source under the corpus. The others go to
    // `unreadable`. None when the corpus is not beside the project.
    std::map<QString, std::string> copyCorpusTables(std::vector<std::string> *unreadable = nullptr);

    QStringList items(const transfer::TableList &list) const;
    // Selects the named items (and makes the first one current), as clicks would.
    void select(transfer::TableList &list, const QStringList &names) const;
    // The rows of a DB2 table as text, read through the real stack.
    std::vector<std::vector<std::string>> db2Rows(const std::string &table) const;
    QPushButton *button(QWidget &page, const char *name) const;
    // Runs `act` once from inside the window's event processing, at the first pass where
    // `when` holds: as a click while a copy runs (the copies let events through as they work).
    // True once it has run.
    void whileWorking(std::function<bool()> when, std::function<void()> act);

    bool acted() const { return m_acted; }

    // What the operation log holds so far.
    QString logText() const;

private:
    QTemporaryDir m_logs;

protected:
    Db2Emu emu;
    ScriptedDialogs dialogs;
    app::OperationLog log{m_logs.path() + QStringLiteral("/operations.log")};
    std::unique_ptr<app::SettingsStore> settings;
    std::unique_ptr<transfer::Wizard> wizard;
    connect::Form1 *form1 = nullptr;
    transfer::Form2 *form2 = nullptr;

private:
    void checkWhileWorking();

    std::function<bool()> m_when;
    std::function<void()> m_act;
    bool m_acted = false;
    QTemporaryDir m_program;
    QTemporaryDir m_paradox;
    QTemporaryDir m_settings;
};

paradox::Field field(const char *name, paradox::FieldType type, int size = 0);

// The folder of the shared Paradox corpus, or empty when it is not beside the project.
std::filesystem::path corpusFolder();

// Every file of a folder with its bytes, to show that nothing changed.
std::map<QString, QByteArray> TempFolderBytes(const QString &folder);

} // namespace tw::test
