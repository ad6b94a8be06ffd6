#pragma once

#include "commandcompiler.h"

#include <QByteArray>
#include <QJsonObject>

#include <optional>

// Size of the controller's program memory.
constexpr int kMemorySize = 4096;

// Frame types of the memory image.
constexpr quint8 kConfigurationFrame = 1;
constexpr quint8 kCommandFrame = 3;
constexpr quint8 kEndFrame = 127;

// Builds the controller memory image of a program document: configuration frame, the command
// frames of every program each closed by a return frame, end frame. Keeps the compiler state so
// single commands compiled afterwards see the same programs and servo pins.
class ImageBuilder
{
public:
    struct Result
    {
        QByteArray image;
        bool success = false;
        bool configurationChanged = false;
    };

    Result buildImage(const QJsonObject &document);

    CommandCompiler &compiler();
    const CommandCompiler &compiler() const;

    QJsonObject configuration() const;
    QByteArray configurationRecord() const;

private:
    CommandCompiler m_compiler;
    QJsonObject m_configuration;
    QByteArray m_configurationRecord;
};

// Image bytes (for example the whole memory read back) -> program document; nothing when the
// image is malformed.
std::optional<QJsonObject> decodeImage(const QByteArray &image);
