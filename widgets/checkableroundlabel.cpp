#include "checkableroundlabel.h"

#include <QMouseEvent>

CheckableRoundLabel::CheckableRoundLabel(const QIcon &on, const QIcon &disabled, const QIcon &off,
                                         int width, int height, const QString &caption,
                                         QWidget *parent)
    : RoundLabel(on, disabled, off, width, height, caption, QStringLiteral("CheckableTextSize"),
                 parent)
{
    setMouseTracking(true);
}

void CheckableRoundLabel::setChecked(bool checked)
{
    m_checked = checked;
    showImage(checked ? Image::On : Image::Off);
}

void CheckableRoundLabel::activate()
{
    setChecked(!m_checked);
    emit clicked();
}

void CheckableRoundLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setChecked(!m_checked);
    event->accept();
}

void CheckableRoundLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    emit clicked();
}
