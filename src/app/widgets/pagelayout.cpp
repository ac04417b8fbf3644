#include "app/widgets/pagelayout.h"

#include <QPalette>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace tw::app {

namespace {
constexpr qreal kTwipsPerInch = 1440.0;
constexpr qreal kDefaultDpi = 96.0;
} // namespace

Twips Twips::of(const QWidget &widget)
{
    const QScreen *screen = widget.screen();
    return Twips(screen != nullptr ? screen->logicalDotsPerInchY() : kDefaultDpi);
}

int Twips::px(int twips) const
{
    return static_cast<int>(std::lround(twips * m_dpi / kTwipsPerInch));
}

QRect Twips::rect(int left, int top, int width, int height) const
{
    return {px(left), px(top), px(width), px(height)};
}

QFont arialBold(qreal pointSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPointSizeF(pointSize);
    return font;
}

void giveWhiteBackground(QWidget &widget)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

} // namespace tw::app
