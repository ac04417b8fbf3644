#include "app/widgets/pagebuilder.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace tw::app {

namespace {
constexpr qreal kTextPointSize = 9.0;
constexpr qreal kButtonPointSize = 11.25;
} // namespace

PageBuilder::PageBuilder(QWidget &page, PagePointer &pointer, bool whiteBackgrounds)
    : m_page(page)
    , m_pointer(pointer)
    , m_whiteBackgrounds(whiteBackgrounds)
    , m_twips(Twips::of(page))
    , m_textFont(arialBold(kTextPointSize))
    , m_buttonFont(arialBold(kButtonPointSize))
{}

void PageBuilder::setUp(QWidget &widget, const char *name, QRect twipsRect, const QFont &font)
{
    widget.setObjectName(QString::fromLatin1(name));
    widget.setFont(font);
    widget.setGeometry(
        m_twips.rect(twipsRect.x(), twipsRect.y(), twipsRect.width(), twipsRect.height()));
    m_pointer.watch(widget);
}

QGroupBox *PageBuilder::frame(const char *name, const char *caption, QRect twipsRect)
{
    auto *box = new QGroupBox(QString::fromLatin1(caption), &m_page);
    setUp(*box, name, twipsRect, m_textFont);
    if (m_whiteBackgrounds) {
        giveWhiteBackground(*box);
    }
    return box;
}

QLabel *
PageBuilder::label(QWidget *container, const char *name, const char *caption, QRect twipsRect)
{
    auto *text = new QLabel(QString::fromLatin1(caption), container);
    setUp(*text, name, twipsRect, m_textFont);
    if (m_whiteBackgrounds) {
        giveWhiteBackground(*text);
    }
    return text;
}

QPushButton *
PageBuilder::button(QWidget *container, const char *name, const char *caption, QRect twipsRect)
{
    auto *push = new QPushButton(QString::fromLatin1(caption), container);
    setUp(*push, name, twipsRect, m_buttonFont);
    push->setAutoDefault(false);
    return push;
}

} // namespace tw::app
