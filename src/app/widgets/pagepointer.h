#pragma once

#include <QCursor>
#include <QObject>
#include <QString>

#include <optional>

class QWidget;

namespace tw::app {

// A page's mouse pointer: the default arrow, the hourglass while a handler works, or the
// custom hand (HAND-M.CUR beside the program) over push buttons. Hovering changes it unless
// the hourglass shows; without a hand cursor the custom pointer is the default arrow.
class PagePointer : public QObject
{
public:
    enum class Shape { Default, Hourglass, Custom };

    explicit PagePointer(QWidget &page);

    // Loads the hand cursor from a .cur file; throws std::runtime_error when it cannot.
    void loadCustom(const QString &path);

    bool hasCustom() const { return m_custom.has_value(); }

    void set(Shape shape);

    Shape shape() const { return m_shape; }

    // Watches a widget: over a push button the hand, over anything else the arrow.
    void watch(QWidget &widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &m_page;
    Shape m_shape = Shape::Default;
    std::optional<QCursor> m_custom;
};

} // namespace tw::app
