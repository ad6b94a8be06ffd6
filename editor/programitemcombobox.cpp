#include "programitemcombobox.h"

#include <QEvent>
#include <QStylePainter>
#include <QWheelEvent>

ProgramItemComboBox::ProgramItemComboBox(QWidget *parent)
    : QComboBox(parent)
{}

void ProgramItemComboBox::mousePressEvent(QMouseEvent *event)
{
    emit click();
    QComboBox::mousePressEvent(event);
}

void ProgramItemComboBox::wheelEvent(QWheelEvent *event)
{
    event->accept();
}

void ProgramItemComboBox::setChooserIconSize(const QSize &size)
{
    m_iconSize = size;
    updateGeometry();
    update();
}

void ProgramItemComboBox::showPopup()
{
    m_popupBuilt = true;
    if (m_iconSize.isValid() && iconSize() != m_iconSize)
        setIconSize(m_iconSize);
    QComboBox::showPopup();
}

void ProgramItemComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    if (m_iconSize.isValid())
        option.iconSize = m_iconSize;
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void ProgramItemComboBox::changeEvent(QEvent *event)
{
    // QComboBox answers a style or palette change by building its popup list to restyle it. A
    // popup that does not exist yet takes the current style when it is first opened.
    const bool restyle =
        event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange;
    if (restyle && !m_popupBuilt) {
        QWidget::changeEvent(event);
        updateGeometry();
        return;
    }
    QComboBox::changeEvent(event);
}
