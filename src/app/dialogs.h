#pragma once

// tw_app: the program's shell without widgets: the error trap and its "Application Error"
// box, the interface every modal box goes through (so tests script them), the settings store,
// the operation log, the event pump and the user's folders. Everything above builds on it.

#include <QString>

class QWidget;

namespace tw::app {

// Every modal box the program shows goes through this interface, so handlers can be driven
// by tests with scripted answers. The Qt implementation shows real boxes.
//
// Boxes that name no caption of their own carry the application title, which the connection
// page sets once at start-up.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    const QString &applicationTitle() const { return m_applicationTitle; }

    void setApplicationTitle(const QString &title) { m_applicationTitle = title; }

    // OK box, no icon, the application title as caption.
    virtual void notice(const QString &text) = 0;
    // The same box with `details` under its "Show Details..." button.
    virtual void noticeWithDetails(const QString &text, const QString &details) = 0;
    // Yes/No box, no icon, with the given caption; true for Yes.
    virtual bool ask(const QString &text, const QString &caption) = 0;
    // Input box with the application title as caption; the empty text on cancel.
    virtual QString input(const QString &prompt, const QString &initial) = 0;
    // Modal folder chooser owned by `owner`; the chosen folder's full path, or "" on cancel.
    virtual QString pickFolder(QWidget *owner, const QString &prompt, const QString &start) = 0;
    // The "Application Error" warning box with one OK button.
    virtual void errorReport(const QString &message) = 0;

protected:
    Dialogs() = default;
    Dialogs(const Dialogs &) = default;
    Dialogs &operator=(const Dialogs &) = default;

private:
    QString m_applicationTitle;
};

} // namespace tw::app
