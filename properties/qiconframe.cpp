#include "qiconframe.h"

#include <QPainter>
#include <QResizeEvent>

QIconFrame::QIconFrame(QWidget *parent)
    : QFrame(parent)
{}

void QIconFrame::setIcon(const QIcon &icon)
{
    m_icon = icon;
    m_paintedSize = QSize();
    relayout();
    update();
}

void QIconFrame::addPinWidget(QWidget *widget, const PinInfo &pin)
{
    if (!widget)
        return;
    widget->setParent(this);
    m_pinWidgets.append({widget, pin});
    m_paintedSize = QSize();
    relayout();
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

void QIconFrame::relayout()
{
    if (size() == m_paintedSize)
        return;
    m_paintedSize = size();
    m_pixmap = QPixmap();
    m_offset = QPoint();
    if (!m_icon.isNull() && !size().isEmpty()) {
        // The natural size gives the aspect ratio to keep while fitting the frame.
        QSize natural = m_icon.actualSize(QSize(4096, 4096));
        if (natural.isEmpty())
            natural = size();
        const QSize fitted = natural.scaled(size(), Qt::KeepAspectRatio);
        m_pixmap = m_icon.pixmap(fitted);
        if (m_pixmap.size() != fitted)
            m_pixmap = m_pixmap.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        m_offset = QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2);
    }
    for (const auto &entry : std::as_const(m_pinWidgets)) {
        if (entry.first)
            entry.first->move(m_offset +
                              entry.second.scaledPosition(m_pixmap.width(), m_pixmap.height()));
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
    if (m_pixmap.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(m_offset, m_pixmap);
}
