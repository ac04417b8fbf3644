#pragma once

#include <QString>

namespace tw::transfer {

// The staging database the copy to Paradox writes to: dbtemp.mdb in the program folder when
// the user may write it there; otherwise (a program installed for all users) a private copy
// of it under the user's XDG data folder, made from the shipped empty one when missing.
QString StagingDatabasePath(const QString &programFolder);

} // namespace tw::transfer
