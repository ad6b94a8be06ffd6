#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>

// Byte form of the hardware configuration: motors, pins with their gadgets, servo zero positions.
struct ConfigurationRecord
{
    QByteArray bytes;
    QList<quint8> servoPins; // pins with a servo gadget, checked by servo commands
};

ConfigurationRecord encodeConfiguration(const QJsonObject &configuration);
QJsonObject decodeConfiguration(const QByteArray &record);
