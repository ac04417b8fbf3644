#include "app/widgets/pagepointer.h"

#include <QEvent>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>
#include <QtEndian>

#include <stdexcept>

namespace tw::app {

namespace {

// A .cur file: a 6-byte header of type 2, then 16-byte directory entries whose bytes 4 to 7
// hold the hot spot.
QCursor cursorFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("Cannot open the mouse pointer file " + path.toStdString() + ": " +
                                 file.errorString().toStdString());
    }
    const QByteArray bytes = file.readAll();
    constexpr qsizetype kHeaderAndOneEntry = 6 + 16;
    const bool isCursorFile = bytes.size() >= kHeaderAndOneEntry &&
                              qFromLittleEndian<quint16>(bytes.constData() + 2) == 2 &&
                              qFromLittleEndian<quint16>(bytes.constData() + 4) >= 1;
    const QImage image = isCursorFile ? QImage::fromData(bytes, "CUR") : QImage();
    if (image.isNull()) {
        throw std::runtime_error("Invalid picture: " + path.toStdString() +
                                 " is not a cursor file that can be loaded");
    }
    const int hotX = qFromLittleEndian<quint16>(bytes.constData() + 10);
    const int hotY = qFromLittleEndian<quint16>(bytes.constData() + 12);
    return QCursor(QPixmap::fromImage(image), hotX, hotY);
}

} // namespace

PagePointer::PagePointer(QWidget &page)
    : QObject(&page)
    , m_page(page)
{}

void PagePointer::loadCustom(const QString &path)
{
    m_custom = cursorFromFile(path);
}

void PagePointer::set(Shape shape)
{
    m_shape = shape;
    switch (shape) {
    case Shape::Default:
        m_page.unsetCursor();
        break;
    case Shape::Hourglass:
        m_page.setCursor(Qt::WaitCursor);
        break;
    case Shape::Custom:
        if (m_custom) {
            m_page.setCursor(*m_custom);
        } else {
            m_page.unsetCursor();
        }
        break;
    }
}

void PagePointer::watch(QWidget &widget)
{
    widget.installEventFilter(this);
}

bool PagePointer::eventFilter(QObject *watched, QEvent *event)
{
    const bool overButton = qobject_cast<QPushButton *>(watched) != nullptr;
    if (m_shape != Shape::Hourglass) {
        if (event->type() == QEvent::Enter) {
            set(overButton ? Shape::Custom : Shape::Default);
        } else if (event->type() == QEvent::Leave && overButton) {
            // Leaving a button lands on its frame or the page background.
            set(Shape::Default);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tw::app
