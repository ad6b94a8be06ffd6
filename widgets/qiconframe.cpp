#include "qiconframe.h"

#include <QPainter>
#include <QResizeEvent>

#include <algorithm>

QIconFrame::QIconFrame(QWidget *parent)
    : QFrame(parent)
{}

void QIconFrame::setIcon(const QIcon &icon)
{
    m_icon = icon;
    // A scalable picture names its own size; an icon of pixmaps gives the sizes it holds. Asking
    // for the largest size it can draw instead would draw it at that size just to learn its shape.
    const QList<QSize> sizes = icon.availableSizes();
    m_naturalSize =
        sizes.isEmpty()
            ? QSize()
            : *std::max_element(sizes.cbegin(), sizes.cend(), [](const QSize &a, const QSize &b) {
                  return a.width() * a.height() < b.width() * b.height();
              });
    m_pixmap = QPixmap();
    m_laidOutSize = QSize();
    relayout();
    update();
}

void QIconFrame::addPinWidget(QWidget *widget, const PinInfo &pin)
{
    if (!widget)
        return;
    widget->setParent(this);
    m_pinWidgets.append({widget, pin});
    // Only the new widget moves: the picture's place does not depend on the pins.
    placePinWidget(widget, pin);
    widget->show();
}

QList<QWidget *> QIconFrame::pinWidgets() const
{
    QList<QWidget *> widgets;
    for (const auto &entry : m_pinWidgets) {
        if (entry.first)
            widgets.append(entry.first);
    }
    return widgets;
}

void QIconFrame::placePinWidget(QWidget *widget, const PinInfo &pin) const
{
    widget->move(m_pictureRect.topLeft() +
                 pin.scaledPosition(m_pictureRect.width(), m_pictureRect.height()));
}

void QIconFrame::relayout()
{
    if (size() == m_laidOutSize)
        return;
    m_laidOutSize = size();
    m_pictureRect = QRect();
    if (!m_icon.isNull() && !size().isEmpty()) {
        const QSize natural = m_naturalSize.isEmpty() ? size() : m_naturalSize;
        const QSize fitted = natural.scaled(size(), Qt::KeepAspectRatio);
        m_pictureRect =
            QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    }
    for (const auto &entry : std::as_const(m_pinWidgets)) {
        if (entry.first)
            placePinWidget(entry.first, entry.second);
    }
}

void QIconFrame::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    relayout();
}

void QIconFrame::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    relayout();
    if (m_pictureRect.isEmpty())
        return;
    if (m_pixmap.size() != m_pictureRect.size()) {
        m_pixmap = m_icon.pixmap(m_pictureRect.size());
        if (m_pixmap.size() != m_pictureRect.size())
            m_pixmap = m_pixmap.scaled(m_pictureRect.size(), Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation);
    }
    QPainter painter(this);
    painter.drawPixmap(m_pictureRect.topLeft(), m_pixmap);
}
