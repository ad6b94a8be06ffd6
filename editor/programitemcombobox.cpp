#include "programitemcombobox.h"

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
