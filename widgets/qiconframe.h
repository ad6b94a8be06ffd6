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
    QRect pictureRect() const { return m_pictureRect; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void relayout();
    void placePinWidget(QWidget *widget, const PinInfo &pin) const;

    QIcon m_icon;
    // The picture's own size: its shape, kept at every size of the frame.
    QSize m_naturalSize;
    QSize m_laidOutSize;
    QRect m_pictureRect;
    // Drawn when painted, at the size of the picture's place.
    QPixmap m_pixmap;
    QList<QPair<QPointer<QWidget>, PinInfo>> m_pinWidgets;
};
