#pragma once

#include <QString>

// One button of the top menu as base.json describes it.
struct TopMenuButton
{
    QString command;
    QString toolTip;
    QString onIcon;
    QString offIcon;
    QString disabledIcon;
};
