#pragma once

#include <QPixmap>
#include <QScrollBar>

// The drawn vertical scroll bar of the property panel, the program lists, the combo boxes' lists
// and the melody editor: a rounded track with an image handle at the scroll bar's value.
class SliderWithIcons : public QScrollBar
{
    Q_OBJECT
public:
    // The internal range only sets the page step of presses on the track; the step is unused.
    SliderWithIcons(int minimum, int maximum, int step, QWidget *parent = nullptr);

    int internalMinimum() const { return m_minimum; }
    int internalMaximum() const { return m_maximum; }
    int lowerValue() const { return m_lower; }
    int upperValue() const { return m_upper; }
    // Page step of a press on the track, from the internal range.
    int trackPageStep() const;
    // Where the handle is drawn now.
    QRect handleRect() const;
    QSize handleSize() const { return m_handleSize; }
    bool isHandlePressed() const { return m_pressed; }
    // Scroll areas size their bars by the hint; it must leave room for the handle image.
    QSize sizeHint() const override;

    static constexpr int trackWidth = 14;
    static constexpr int margin = 2;

signals:
    void lowerValueChanged(int value);
    void upperValueChanged(int value);
    // sliderReleased() is the one QScrollBar already declares.

public slots:
    void setLowerValueSlot(int value);
    void setUpperValueSlot(int value);
    void setMinimumSlot(int min);
    void setMaximumSlot(int max);
    // Loads the handle image and size of the current configuration.
    void setLanguage();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int travel() const;
    void moveHandleTo(double pointerY);

    int m_minimum;
    int m_maximum;
    int m_lower;
    int m_upper;
    bool m_pressed = false;
    int m_dragOffset = 0;
    QSize m_handleSize{13, 12};
    QPixmap m_handle;
};
