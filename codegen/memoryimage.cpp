#include "memoryimage.h"

#include "codegenlog.h"
#include "configurationrecord.h"
#include "decompiler.h"

#include <QJsonArray>

namespace {

void appendFrame(QByteArray &image, quint8 type, const QByteArray &data)
{
    image.append(char(type));
    image.append(char(quint8(data.size())));
    image.append(data);
}

} // namespace

ImageBuilder::Result ImageBuilder::buildImage(const QJsonObject &document)
{
    const QJsonArray programs = document.value(QLatin1String("ProgData")).toArray();
    m_compiler.setPrograms(programs);
    m_configuration = document.value(QLatin1String("configuration")).toObject();

    qCDebug(lcCodegen) << "Subprogram count:" << programs.size() - 1;
    qCDebug(lcCodegen) << "Main program len:" << programs.at(0).toArray().size();

    const ConfigurationRecord configuration = encodeConfiguration(m_configuration);
    m_compiler.setServoPins(configuration.servoPins);

    Result result;
    result.configurationChanged = configuration.bytes != m_configurationRecord;
    m_configurationRecord = configuration.bytes;
    result.success = configuration.complete;

    QByteArray &image = result.image;
    appendFrame(image, kConfigurationFrame, configuration.bytes);
    for (qsizetype i = 0; i < programs.size(); ++i) {
        m_compiler.resetCycleDepth();
        // A program that is not a list of commands is compiled as an empty one, so that the
        // numbering of the subprograms after it stays the same.
        const QJsonArray commands = programs.at(i).toArray();
        for (qsizetype j = 0; j < commands.size(); ++j) {
            if (!m_compiler.compileCommand(commands.at(j).toObject())) {
                qCDebug(lcCodegen).noquote()
                    << QStringLiteral("Error command at %1 procedure %2").arg(j).arg(i);
                result.success = false;
                break;
            }
            appendFrame(image, kCommandFrame, m_compiler.lastRecord());
        }
        appendFrame(image, kCommandFrame, CommandCompiler::returnRecord());
        if (m_compiler.cycleDepth() != 0) {
            qCDebug(lcCodegen) << "Cycle count error";
            result.success = false;
        }
        if (!result.success)
            break;
    }
    appendFrame(image, kEndFrame, QByteArray());

    if (image.size() > kMemorySize) {
        qCDebug(lcCodegen) << "Program too long";
        result.success = false;
    }
    return result;
}

CommandCompiler &ImageBuilder::compiler()
{
    return m_compiler;
}

const CommandCompiler &ImageBuilder::compiler() const
{
    return m_compiler;
}

QJsonObject ImageBuilder::configuration() const
{
    return m_configuration;
}

QByteArray ImageBuilder::configurationRecord() const
{
    return m_configurationRecord;
}

std::optional<QJsonObject> decodeImage(const QByteArray &image)
{
    const qsizetype size = image.size();
    if (size < 2) {
        qCDebug(lcCodegen) << "Unclosed EEPROM data";
        return std::nullopt;
    }

    QJsonArray programs;
    QJsonArray current;
    QJsonObject configuration;
    bool hasConfiguration = false;
    qsizetype p = 0;
    for (;;) {
        const quint8 type = quint8(image.at(p));
        const qsizetype length = quint8(image.at(p + 1));
        const qsizetype next = p + 2 + length;
        if (next > size)
            qCDebug(lcCodegen) << "Frame length too big";
        const QByteArray data = image.mid(p + 2, length);

        switch (type) {
        case kConfigurationFrame:
            configuration = decodeConfiguration(data);
            hasConfiguration = true;
            break;
        case kCommandFrame: {
            const QJsonObject command = Decompiler::decompileCommand(data);
            if (command.isEmpty()) {
                programs.append(current);
                current = QJsonArray();
            } else {
                current.append(command);
            }
            break;
        }
        case kEndFrame: {
            if (!current.isEmpty())
                programs.append(current);
            QJsonObject document;
            document.insert(QStringLiteral("ProgData"), programs);
            if (hasConfiguration)
                document.insert(QStringLiteral("configuration"), configuration);
            return document;
        }
        default:
            qCDebug(lcCodegen) << "EEPROM Data corrupted";
            return std::nullopt;
        }

        p = next;
        if (size - p < 2) {
            qCDebug(lcCodegen) << "Unclosed EEPROM data";
            return std::nullopt;
        }
    }
}
