#include "app/widgets/fileexists.h"

#include <QFile>

#include <sys/stat.h>

namespace tw::app {

bool FileExists(const QString &path) noexcept
{
    if (path.isEmpty()) {
        return false;
    }
    const QByteArray encoded = QFile::encodeName(path);

    struct stat info
    {};

    return ::stat(encoded.constData(), &info) == 0;
}

} // namespace tw::app
