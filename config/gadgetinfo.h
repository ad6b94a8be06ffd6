#pragma once

#include <QString>
#include <QStringList>

// A gadget that can sit on a pin: a sensor (input), a driven part (output) or a set of parts that
// occupies several pins at once (group).
struct GadgetInfo
{
    enum Kind
    {
        Input = 0,
        Output = 1,
        Group = 2,
    };

    int id = -1;
    QString name;
    QString picture;
    QStringList types;
    QStringList pins;
    int calibr = 0;
    QString calibrName;
    int kind = Input;

    bool isValid() const { return id >= 0; }
    bool operator==(const GadgetInfo &other) const = default;
};
