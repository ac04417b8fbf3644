#include "support/scripteddialogs.h"

#include <gtest/gtest.h>

namespace tw::test {

void ScriptedDialogs::notice(const QString &text)
{
    noticeWithDetails(text, {});
}

void ScriptedDialogs::noticeWithDetails(const QString &text, const QString &details)
{
    boxes.push_back({Box::Kind::Notice,
                     applicationTitle(),
                     text,
                     QStringLiteral("OK"),
                     QStringLiteral("none"),
                     {},
                     details});
}

bool ScriptedDialogs::ask(const QString &text, const QString &caption)
{
    boxes.push_back(
        {Box::Kind::Question, caption, text, QStringLiteral("Yes/No"), QStringLiteral("none"), {}});
    if (answers.empty()) {
        ADD_FAILURE() << "unscripted question: " << text.toStdString();
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

QString ScriptedDialogs::input(const QString &prompt, const QString &initial)
{
    boxes.push_back({Box::Kind::Input,
                     applicationTitle(),
                     prompt,
                     QStringLiteral("OK/Cancel"),
                     QStringLiteral("none"),
                     initial});
    if (inputs.empty()) {
        ADD_FAILURE() << "unscripted input box: " << prompt.toStdString();
        return {};
    }
    QString typed = inputs.front();
    inputs.pop_front();
    return typed;
}

QString ScriptedDialogs::pickFolder(QWidget *owner, const QString &prompt, const QString &start)
{
    EXPECT_NE(owner, nullptr) << "the folder picker must be owned by its page";
    boxes.push_back({Box::Kind::FolderPicker,
                     {},
                     prompt,
                     QStringLiteral("OK/Cancel"),
                     QStringLiteral("none"),
                     start});
    if (folders.empty()) {
        ADD_FAILURE() << "unscripted folder picker: " << prompt.toStdString();
        return {};
    }
    QString chosen = folders.front();
    folders.pop_front();
    return chosen;
}

void ScriptedDialogs::errorReport(const QString &message)
{
    boxes.push_back({Box::Kind::ErrorReport,
                     QStringLiteral("Application Error"),
                     message,
                     QStringLiteral("OK"),
                     QStringLiteral("warning"),
                     {}});
}

QStringList ScriptedDialogs::texts(Box::Kind kind) const
{
    QStringList result;
    for (const Box &box : boxes) {
        if (box.kind == kind) {
            result << box.text;
        }
    }
    return result;
}

} // namespace tw::test
