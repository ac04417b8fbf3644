#pragma once

#include "app/dialogs.h"
#include "app/operationlog.h"
#include "app/settingsstore.h"
#include "connect/transferpage.h"
#include "connect/widgets/form1.h"
#include "transfer/widgets/form2.h"

namespace tw::transfer {

// The program's two pages, each knowing the other from its construction on: the connection
// page opens the transfer page through the wizard, which is whole before either page is made.
class Wizard final : public connect::TransferPage
{
public:
    Wizard(app::Dialogs &dialogs,
           app::SettingsStore &settings,
           const QString &programFolder,
           app::OperationLog &log);

    void Form_Load() override { form2.Form_Load(); }

    void showPage() override { form2.showPage(); }

    connect::Form1 form1;
    Form2 form2;
};

} // namespace tw::transfer
