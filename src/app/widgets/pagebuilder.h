#pragma once

// tw_app_widgets: what both pages are built with: the Qt boxes behind the dialogs interface,
// the program's icon, and the page kit (twips layout, page builder, the pointer over buttons)
// with FileExists.

#include "app/widgets/pagelayout.h"
#include "app/widgets/pagepointer.h"

#include <QFont>
#include <QRect>
#include <QString>

class QGroupBox;
class QLabel;
class QPushButton;
class QWidget;

namespace tw::app {

// Places the controls of a page at their twips positions, in Arial bold (9 pt for text,
// 11.25 pt on buttons), each named for tests and watched by the page's pointer.
class PageBuilder
{
public:
    PageBuilder(QWidget &page, PagePointer &pointer, bool whiteBackgrounds);

    const Twips &twips() const { return m_twips; }

    const QFont &textFont() const { return m_textFont; }

    QGroupBox *frame(const char *name, const char *caption, QRect twipsRect);
    QLabel *label(QWidget *container, const char *name, const char *caption, QRect twipsRect);
    QPushButton *button(QWidget *container, const char *name, const char *caption, QRect twipsRect);

    // Any other control: named, in the text font, at its position, watched.
    template <class Control> Control *place(Control *control, const char *name, QRect twipsRect)
    {
        setUp(*control, name, twipsRect, m_textFont);
        return control;
    }

private:
    void setUp(QWidget &widget, const char *name, QRect twipsRect, const QFont &font);

    QWidget &m_page;
    PagePointer &m_pointer;
    bool m_whiteBackgrounds;
    Twips m_twips;
    QFont m_textFont;
    QFont m_buttonFont;
};

} // namespace tw::app
