#pragma once

#include "app/dialogs.h"

class QWidget;

namespace tw::app {

// The real boxes: QMessageBox, QInputDialog and QFileDialog. Texts are built with CR LF and
// CR as the program words them; the boxes show each as a line break.
class QtDialogs final : public Dialogs
{
public:
    QtDialogs() = default;

    void notice(const QString &text) override;
    void noticeWithDetails(const QString &text, const QString &details) override;
    bool ask(const QString &text, const QString &caption) override;
    QString input(const QString &prompt, const QString &initial) override;
    QString pickFolder(QWidget *owner, const QString &prompt, const QString &start) override;
    void errorReport(const QString &message) override;
};

// The text as a Qt box shows it: CR LF and lone CR become line feeds.
QString displayText(const QString &text);

} // namespace tw::app
