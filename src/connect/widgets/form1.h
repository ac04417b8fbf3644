#pragma once

// tw_connect_widgets: the connection page (Form1) with its start-up.

#include "app/dialogs.h"
#include "app/operationlog.h"
#include "app/settingsstore.h"
#include "app/widgets/pagepointer.h"
#include "connect/connectionpage.h"
#include "connect/connectionsettings.h"
#include "connect/transferpage.h"

#include <QCursor>
#include <QString>
#include <QWidget>

#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tw::connect {

// The connection page: the Paradox folder and the five DB2 fields, their connection tests,
// the folder browse and sample buttons, "Help" and "Next >". It restores the fields from the
// settings store at start-up and writes each one back on every change.
//
//     Form1 page{dialogs, settings, programFolder, transferPage, log};
//     page.Form_Load();
//     page.show();
class Form1 : public QWidget, public ConnectionPage
{
    Q_OBJECT

public:
    using MousePointer = app::PagePointer::Shape;

    // `transferPage` is the page "Next >" opens; `log` records the outcome of the connection
    // tests and of "Next >". Neither is used before Form_Load.
    Form1(app::Dialogs &dialogs,
          app::SettingsStore &settings,
          QString programFolder,
          TransferPage &transferPage,
          app::OperationLog &log,
          QWidget *parent = nullptr);

    // Start-up: skin, captions, the application title, the hand cursor, the six fields, and
    // the jump to the transfer page when the saved settings work.
    void Form_Load();

    // True when start-up opened the transfer page: this page is then not to be shown.
    bool startedOnTransferPage() const { return m_startedOnTransferPage; }

    // The six fields as they read right now.
    ConnectionSettings connectionSettings() const override;

    MousePointer mousePointer() const { return m_pointer->shape(); }

    void setMousePointer(MousePointer pointer);

    bool hasCustomPointer() const { return m_pointer->hasCustom(); }

    const QString &programFolder() const override { return m_programFolder; }

    void showPage() override { show(); }

signals:
    // The user closed the page: the program ends.
    void unloaded();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectFields();
    void ApplySkin();
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void failedDb2Test(const QString &details);
    void logNote(const QString &text) const;

    app::Dialogs &m_dialogs;
    app::SettingsStore &m_settings;
    QString m_programFolder;
    app::PagePointer *m_pointer; // owned by the page
    TransferPage &m_transferPage;
    app::OperationLog &m_log;
    bool m_startedOnTransferPage = false;

    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label6 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLineEdit *Text2 = nullptr;
    QLineEdit *Text3 = nullptr;
    QLineEdit *Text4 = nullptr;
    QLineEdit *Text5 = nullptr;
    QLineEdit *Text6 = nullptr;
    QPushButton *PushButton1 = nullptr;
    QPushButton *PushButton2 = nullptr;
    QPushButton *PushButton3 = nullptr;
    QPushButton *PushButton4 = nullptr;
    QPushButton *PushButton5 = nullptr;
    QPushButton *PushButton6 = nullptr;
};

} // namespace tw::connect
