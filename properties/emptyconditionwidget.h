#pragma once

#include "rightmenuinputswidget.h"

// Stands for a command that always runs: there is nothing to edit.
class EmptyConditionWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit EmptyConditionWidget(QWidget *parent = nullptr);
};
