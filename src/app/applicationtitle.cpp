#include "applicationtitle.h"

namespace tw::app {

namespace {
constexpr qsizetype kLongestTitle = 40;
} // namespace

QString applicationTitleFrom(const QString &productTitle)
{
    QString title = productTitle;
    do {
        const qsizetype lastBlank = title.lastIndexOf(u' ');
        if (lastBlank < 0) {
            break;
        }
        title.truncate(lastBlank);
    } while (title.size() > kLongestTitle);
    return title;
}

QString programVersion()
{
    return QStringLiteral(TW_VERSION);
}

} // namespace tw::app
