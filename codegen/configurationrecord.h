#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>

// The record travels in one image frame and in one packet, whose length bytes count to 255.
constexpr int kMaxConfigurationRecordSize = 255;

// Byte form of the hardware configuration: motors, pins with their gadgets, servo zero positions.
struct ConfigurationRecord
{
    QByteArray bytes;
    QList<quint8> servoPins; // pins with a servo gadget, checked by servo commands
    // False when pins were left out because the record would not fit its frame; such a
    // configuration cannot be sent.
    bool complete = true;
};

ConfigurationRecord encodeConfiguration(const QJsonObject &configuration);
QJsonObject decodeConfiguration(const QByteArray &record);
