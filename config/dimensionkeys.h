#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Every dimension the program asks for, with the default the caller passes.
namespace DimensionKeys {
const QList<QPair<QString, int>> &all();
}
