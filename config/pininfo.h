#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>

// One pin of the controller board as base.json describes it.
struct PinInfo
{
    int index = -1; // position in the description's pin list
    QString name;
    bool visible = false;
    int posX = 0;
    int posY = 0;
    // Position as a fraction of the board picture's own units.
    float relX = 0.0f;
    float relY = 0.0f;
    int defaultValue = 0;
    QStringList labels;

    // The position on a picture of w x h pixels.
    QPoint scaledPosition(int w, int h) const
    {
        return QPoint(static_cast<int>(w * relX), static_cast<int>(h * relY));
    }
    bool isValid() const { return index >= 0; }
    bool operator==(const PinInfo &other) const = default;
};
