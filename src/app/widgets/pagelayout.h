#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace tw::app {

// Positions of the pages are given in twips: 1440 to the inch, so 15 to a pixel at 96 dpi.
// They scale with the screen's logical DPI so the pages keep their proportions.
class Twips
{
public:
    explicit Twips(qreal logicalDpi)
        : m_dpi(logicalDpi)
    {}

    // The logical DPI of the screen the widget is on (96 when there is none).
    static Twips of(const QWidget &widget);

    int px(int twips) const;
    QRect rect(int left, int top, int width, int height) const;

private:
    qreal m_dpi;
};

// Arial bold at the given point size; "Arial" resolves to its metric twin where installed.
QFont arialBold(qreal pointSize);

// A white background that a page skin may later override.
void giveWhiteBackground(QWidget &widget);

} // namespace tw::app
