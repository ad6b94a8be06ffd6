#include "calibrationwidget.h"

#include "accessibletext.h"
#include "sliderwithbuttons.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

CalibrationWidget::CalibrationWidget(const QString &name, int value, const QString &caption,
                                     QWidget *parent)
    : QFrame(parent)
    , m_name(name)
{
    setObjectName(QStringLiteral("calibration_") + name);
    setFixedWidth(400);
    setMinimumHeight(40);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(10);

    m_label = new QLabel(caption.isEmpty() ? name : caption, this);
    m_label->setWordWrap(true);
    m_label->setFixedWidth(150);
    m_label->setStyleSheet(QStringLiteral("QLabel { color: white; font-weight: bold; }"));
    layout->addWidget(m_label);

    m_slider = new SliderWithButtons(Minimum, Maximum, 1, qBound(Minimum, value, Maximum), this);
    // The slider's own width rule follows its parent's maximum width, which a row does not set.
    m_slider->setMaximumWidth(QWIDGETSIZE_MAX);
    m_slider->setAccessibleLabel(m_label->text(),
                                 AccessibleText::text(QStringLiteral("CalibrationHint")));
    layout->addWidget(m_slider, 1);
}

int CalibrationWidget::value() const
{
    // A field the user has just emptied keeps the slider where the last valid value left it.
    if (m_slider->valueText().trimmed().isEmpty())
        return m_slider->slider()->value();
    return qBound(Minimum, m_slider->value(), Maximum);
}

void CalibrationWidget::setLineInput(int value)
{
    m_slider->setLineInput(qBound(Minimum, value, Maximum));
}
