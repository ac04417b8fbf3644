#pragma once

#include "app/dialogs.h"
#include "app/settingsstore.h"
#include "connect/connectionsettings.h"

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
//     Form1 page{dialogs, settings, programFolder};
//     page.Form_Load();
//     page.show();
class Form1 : public QWidget
{
    Q_OBJECT

public:
    enum class MousePointer { Default, Hourglass, Custom };

    Form1(app::Dialogs &dialogs,
          app::SettingsStore &settings,
          QString programFolder,
          QWidget *parent = nullptr);

    // Start-up: skin, captions, the application title, the hand cursor, then the six fields.
    void Form_Load();

    // The six fields as they read right now.
    ConnectionSettings connectionSettings() const;

    MousePointer mousePointer() const { return m_pointer; }

    void setMousePointer(MousePointer pointer);

    bool hasCustomPointer() const { return m_customPointer.has_value(); }

    const QString &programFolder() const { return m_programFolder; }

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
    void loadCustomPointer(const QString &path);
    void PushButton1_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();

    app::Dialogs &m_dialogs;
    app::SettingsStore &m_settings;
    QString m_programFolder;
    MousePointer m_pointer = MousePointer::Default;
    std::optional<QCursor> m_customPointer;

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
