#pragma once

#include <QString>

namespace tw::transfer {

// The staging database the copy to Paradox writes to: dbtemp.mdb in the program folder when
// the user may write it there; otherwise (a program installed for all users) a private copy
// of it under the user's XDG data folder, made from the shipped empty one when missing, and
// made again when the shipped one carries another stamp (a new version) and `mayRefresh`
// (false while another copy to Paradox is using it).
QString StagingDatabasePath(const QString &programFolder, bool mayRefresh = true);

} // namespace tw::transfer
