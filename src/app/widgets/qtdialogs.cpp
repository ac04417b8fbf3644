#include "qtdialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

namespace tw::app {

namespace {

QWidget *activeOwner()
{
    return QApplication::activeWindow();
}

} // namespace

QString displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

void QtDialogs::notice(const QString &text)
{
    QMessageBox box(
        QMessageBox::NoIcon, applicationTitle(), displayText(text), QMessageBox::Ok, activeOwner());
    box.exec();
}

void QtDialogs::noticeWithDetails(const QString &text, const QString &details)
{
    QMessageBox box(
        QMessageBox::NoIcon, applicationTitle(), displayText(text), QMessageBox::Ok, activeOwner());
    box.setDetailedText(details);
    box.exec();
}

bool QtDialogs::ask(const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::NoIcon,
                    caption,
                    displayText(text),
                    QMessageBox::Yes | QMessageBox::No,
                    activeOwner());
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::input(const QString &prompt, const QString &initial)
{
    bool accepted = false;
    const QString text = QInputDialog::getText(
        activeOwner(), applicationTitle(), prompt, QLineEdit::Normal, initial, &accepted);
    return accepted ? text : QString();
}

QString QtDialogs::pickFolder(QWidget *owner, const QString &prompt, const QString &start)
{
    // An empty or missing start folder leaves the dialog's own default.
    const QString startFolder = QFileInfo(start).isDir() ? start : QString();
    return QFileDialog::getExistingDirectory(owner, prompt, startFolder, QFileDialog::ShowDirsOnly);
}

void QtDialogs::errorReport(const QString &message)
{
    QMessageBox box(QMessageBox::Warning,
                    QStringLiteral("Application Error"),
                    displayText(message),
                    QMessageBox::Ok,
                    activeOwner());
    box.exec();
}

} // namespace tw::app
