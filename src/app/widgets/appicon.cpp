#include "app/widgets/appicon.h"

namespace tw::app {

QIcon applicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/tablewright-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace tw::app
