#include "connect/paradoxfolder.h"

#include "fsutil/addfolder.h"

namespace tw::connect {

bool CheckParadoxFolder(const QString &folder)
{
    if (folder.isEmpty()) {
        return false;
    }
    return !fsutil::ListFiles(folder, QStringLiteral("*.db")).isEmpty();
}

} // namespace tw::connect
