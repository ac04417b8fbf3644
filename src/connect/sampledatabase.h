#pragma once

#include <QString>

namespace tw::connect {

// The folder "Load Sample/Example Database" points at: Samples in the program folder when the
// user may write it; otherwise (a program installed for all users) the user's own copy of it
// under the XDG data folder, made once, so the samples can be copied to and from DB2 like
// any folder.
QString sampleDatabasePath(const QString &programFolder);

} // namespace tw::connect
