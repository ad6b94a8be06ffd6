#pragma once

#include <QColor>
#include <QWidget>

// A horizontal slider with two handles that choose a range (the analog "inside"/"outside"
// conditions). The handles may be dragged; a press on the bar moves the nearer end by a page.
class RangeSlider : public QWidget
{
    Q_OBJECT
public:
    // The step is accepted for symmetry with the other sliders; the handles move by pages.
    RangeSlider(int minimum, int maximum, int step, QWidget *parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int lowerValue() const { return m_lowerValue; }
    int upperValue() const { return m_upperValue; }
    // Clamped into minimum..maximum (not against the other handle); emits the value signal.
    void setLowerValue(int value);
    void setUpperValue(int value);
    // Bounds given the wrong way round are swapped.
    void setMinimum(int minimum);
    void setMaximum(int maximum);

    int pageStep() const;
    QRect lowerHandleRect() const;
    QRect upperHandleRect() const;
    bool isLowerPressed() const { return m_lowerPressed; }
    bool isUpperPressed() const { return m_upperPressed; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    static constexpr int handleWidth = 11;
    static constexpr int handleHeight = 20;
    static constexpr int barHeight = 5;
    static constexpr int margin = 1;

signals:
    void lowerValueChanged(int value);
    void upperValueChanged(int value);
    void rangeChanged(int min, int max);
    void sliderReleased();

public slots:
    void setLowerValueSlot(int value);
    void setUpperValueSlot(int value);
    void setMinimumSlot(int min);
    void setMaximumSlot(int max);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int span() const;
    int interval() const { return qMax(1, m_interval); }
    int valueAt(double handleLeft, int extraOffset) const;
    void setBounds(int minimum, int maximum);

    int m_minimum;
    int m_maximum;
    int m_lowerValue;
    int m_upperValue;
    int m_interval;
    bool m_lowerPressed = false;
    bool m_upperPressed = false;
    int m_dragOffset = 0;
    QColor m_enabledHandleColor = Qt::cyan;
    QColor m_disabledHandleColor = Qt::darkCyan;
    QColor m_handleColor = Qt::cyan;
};
