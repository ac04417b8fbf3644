#pragma once

#include <QString>

namespace tw::app {

// The user's own folder for the program's files: $XDG_DATA_HOME/Kelvarin/Tablewright
// (normally ~/.local/share/...), where an install for all users keeps each user's copies of
// the staging database and the sample tables.
QString userDataFolder();

// The user's cache folder for the program: $XDG_CACHE_HOME/Kelvarin/Tablewright (normally
// ~/.cache/...), for files that live only while the program works.
QString userCacheFolder();

// True when the user may write the path (a file or a folder).
bool userMayWrite(const QString &path);

} // namespace tw::app
