#include "clickableroundlabel.h"

#include <QMouseEvent>

ClickableRoundLabel::ClickableRoundLabel(const QIcon &on, const QIcon &disabled, const QIcon &off,
                                         int width, int height, const QString &caption,
                                         QWidget *parent)
    : RoundLabel(on, disabled, off, width, height, caption, QStringLiteral("ClickableTextSize"),
                 parent)
{
    setMouseTracking(true);
}

void ClickableRoundLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    showImage(Image::On);
    event->accept();
}

void ClickableRoundLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    activate();
    showImage(Image::Off);
}

void ClickableRoundLabel::activate()
{
    emit clicked();
}
