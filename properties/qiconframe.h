#pragma once

#include "pininfo.h"

#include <QFrame>
#include <QIcon>
#include <QList>
#include <QPair>
#include <QPixmap>
#include <QPointer>

// A picture (the controller board) with widgets placed on it at the pins' relative positions;
// the picture keeps its aspect ratio and is centred, and the widgets follow it when it resizes.
class QIconFrame : public QFrame
{
    Q_OBJECT
public:
    explicit QIconFrame(QWidget *parent = nullptr);

    void setIcon(const QIcon &icon);
    QIcon icon() const { return m_icon; }
    // The widget becomes a child of the frame and sits where the pin lies on the picture.
    void addPinWidget(QWidget *widget, const PinInfo &pin);
    QList<QWidget *> pinWidgets() const;

    // Where the picture is drawn now (empty before the first layout).
    QRect pictureRect() const { return QRect(m_offset, m_pixmap.size()); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void relayout();

    QIcon m_icon;
    QSize m_paintedSize;
    QPixmap m_pixmap;
    QPoint m_offset;
    QList<QPair<QPointer<QWidget>, PinInfo>> m_pinWidgets;
};
