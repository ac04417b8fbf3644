#pragma once

#include "app/dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

namespace tw::test {

// A recorded box, as the user would have seen it.
struct Box
{
    enum class Kind { Notice, Question, Input, FolderPicker, ErrorReport };

    Kind kind;
    QString caption;
    QString text;
    QString buttons;      // "OK", "Yes/No", "OK/Cancel"
    QString icon;         // "none", "warning"
    QString initial;      // the input box's prefilled text, the folder picker's start folder
    QString details = {}; // a notice's text under "Show Details..."
};

// Dialogs that answer from a script and record every box shown. A question, input box or
// folder picker with no scripted answer left fails the test instead of hanging it.
class ScriptedDialogs final : public app::Dialogs
{
public:
    std::deque<bool> answers;    // ask(): true for Yes
    std::deque<QString> inputs;  // input(): "" stands for Cancel
    std::deque<QString> folders; // pickFolder(): "" stands for Cancel
    std::vector<Box> boxes;      // everything shown, in order

    void notice(const QString &text) override;
    void noticeWithDetails(const QString &text, const QString &details) override;
    bool ask(const QString &text, const QString &caption) override;
    QString input(const QString &prompt, const QString &initial) override;
    QString pickFolder(QWidget *owner, const QString &prompt, const QString &start) override;
    void errorReport(const QString &message) override;

    // The texts of the boxes of one kind, in order.
    QStringList texts(Box::Kind kind) const;

    QStringList errorReports() const { return texts(Box::Kind::ErrorReport); }

    QStringList notices() const { return texts(Box::Kind::Notice); }
};

} // namespace tw::test
