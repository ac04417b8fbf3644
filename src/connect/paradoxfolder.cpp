#include "connect/paradoxfolder.h"

#include "fsutil/addfolder.h"

#include <QFileInfo>

namespace tw::connect {

bool CheckParadoxFolder(const QString &folder)
{
    if (folder.isEmpty()) {
        return false;
    }
    return !fsutil::ListFiles(folder, QStringLiteral("*.db")).isEmpty();
}

QString ParadoxFolderFailure(const QString &folder)
{
    if (folder.isEmpty()) {
        return QStringLiteral("The Paradox folder field is empty.");
    }
    const QFileInfo info(folder);
    if (!info.exists()) {
        return QStringLiteral("The folder ") + folder + QStringLiteral(" does not exist.");
    }
    if (!info.isDir()) {
        return folder + QStringLiteral(" is a file, not a folder.");
    }
    try {
        if (fsutil::ListFiles(folder, QStringLiteral("*.db")).isEmpty()) {
            return QStringLiteral("The folder ") + folder +
                   QStringLiteral(" holds no Paradox table (no *.db file).");
        }
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace tw::connect
