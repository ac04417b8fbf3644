#include "transfer/widgets/wizard.h"

namespace tw::transfer {

Wizard::Wizard(app::Dialogs &dialogs,
               app::SettingsStore &settings,
               const QString &programFolder,
               app::OperationLog &log)
    : form1(dialogs, settings, programFolder, *this, log)
    , form2(dialogs, form1, log, settings)
{}

} // namespace tw::transfer
