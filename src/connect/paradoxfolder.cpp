#include "connect/paradoxfolder.h"

#include "core/filename.h"
#include "fsutil/addfolder.h"

#include <QFileInfo>

namespace tw::connect {

bool isFolderText(const QString &folder)
{
    return isPlainPathText(folder.toStdString());
}

bool CheckParadoxFolder(const QString &folder)
{
    if (folder.isEmpty() || !isFolderText(folder)) {
        return false;
    }
    return !fsutil::ListFiles(folder, QStringLiteral("*.db")).isEmpty();
}

QString paradoxFolderFailure(const QString &folder)
{
    if (folder.isEmpty()) {
        return QStringLiteral("The Paradox folder field is empty.");
    }
    if (!isFolderText(folder)) {
        return QStringLiteral("The Paradox folder field holds a control character (a NUL, a "
                              "line break or the like), which no folder name holds.");
    }
    const QString shown = QString::fromStdString(shownText(folder.toStdString()));
    const QFileInfo info(folder);
    if (!info.exists()) {
        return QStringLiteral("The folder ") + shown + QStringLiteral(" does not exist.");
    }
    if (!info.isDir()) {
        return shown + QStringLiteral(" is a file, not a folder.");
    }
    try {
        if (fsutil::ListFiles(folder, QStringLiteral("*.db")).isEmpty()) {
            return QStringLiteral("The folder ") + shown +
                   QStringLiteral(" holds no Paradox table (no *.db file).");
        }
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace tw::connect
