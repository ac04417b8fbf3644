#pragma once

#include <QString>

namespace tw::connect {

// True when the folder text is not empty and the folder holds at least one "*.db" file.
// A listing the file system refuses throws, for the calling handler's trap.
bool CheckParadoxFolder(const QString &folder);

} // namespace tw::connect
