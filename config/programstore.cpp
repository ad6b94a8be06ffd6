#include "programstore.h"

#include "appcontext.h"
#include "configlog.h"
#include "shippeddata.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

ProgramStore::ProgramStore(const QString &homePath, const QString &defaultProgram)
    : m_homePath(homePath)
{
    m_stateFilePath = QStringLiteral("%1/%2").arg(dataFolder(), QStringLiteral("states.json"));
    loadState(defaultProgram);
}

void ProgramStore::loadState(const QString &defaultProgram)
{
    QFile file(m_stateFilePath);
    if (file.exists()) {
        QJsonParseError error{};
        QJsonDocument document;
        if (file.open(QIODevice::ReadOnly)) {
            document = QJsonDocument::fromJson(file.readAll(), &error);
            file.close();
            if (error.error == QJsonParseError::NoError && document.isObject()) {
                loadObject(document.object(), Full);
                return;
            }
            qCWarning(lcConfig).noquote()
                << QStringLiteral("Saved state %1 is not a JSON object (%2 at offset %3)")
                       .arg(m_stateFilePath, error.error == QJsonParseError::NoError
                                                 ? QStringLiteral("no object")
                                                 : error.errorString())
                       .arg(error.offset);
        } else {
            qCWarning(lcConfig).noquote()
                << QStringLiteral("Cannot read %1: %2").arg(m_stateFilePath, file.errorString());
        }
        m_stateSaveBlocked = !setBrokenStateAside();
    }
    // A first start (or a start after a broken state) begins with the kit's set-up, so that the
    // motors are assigned and the drive tiles work at once.
    loadFile(defaultProgram, ProgramsOnly);
    m_language.clear();
}

bool ProgramStore::setBrokenStateAside()
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = QStringLiteral("%1.broken-%2").arg(m_stateFilePath, stamp);
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = QStringLiteral("%1.broken-%2-%3").arg(m_stateFilePath, stamp).arg(n);
    // A rename keeps every byte and needs no read permission on the file itself.
    if (!QFile::rename(m_stateFilePath, copy)) {
        qCWarning(lcConfig).noquote()
            << QStringLiteral("Cannot move the broken state %1 aside; it will not be overwritten")
                   .arg(m_stateFilePath);
        m_brokenStateCopy = m_stateFilePath;
        return false;
    }
    qCWarning(lcConfig).noquote() << QStringLiteral("Kept the broken state as %1").arg(copy);
    m_brokenStateCopy = copy;
    return true;
}

std::optional<QJsonObject> ProgramStore::readProgramDocument(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcConfig).noquote()
            << QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray text = file.readAll();
    if (!isProgramDocument(text)) {
        qCWarning(lcConfig).noquote() << "Not a program document:" << path;
        return std::nullopt;
    }
    return QJsonDocument::fromJson(text).object();
}

bool ProgramStore::isProgramDocument(const QByteArray &text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    return error.error == QJsonParseError::NoError && document.isObject() &&
           document.object().value(programsKey()).isArray();
}

ProgramStore::~ProgramStore() = default;

QString ProgramStore::dataFolder() const
{
    return m_homePath + QStringLiteral("/Lumakit");
}

QString ProgramStore::programsFolder() const
{
    return m_homePath + QStringLiteral("/Lumakit/Programs");
}

QString ProgramStore::defaultProgramPath()
{
    const QString name = QStringLiteral("default.json");
    return ShippedData::folderHolding(name) + QStringLiteral("//") + name;
}

void ProgramStore::createFolders() const
{
    for (const QString &path : {dataFolder(), programsFolder()}) {
        if (QDir(path).exists())
            continue;
        if (QDir().mkpath(path))
            qCDebug(lcConfig).noquote() << QStringLiteral("Create path: ") + path;
        else
            qCDebug(lcConfig).noquote() << QStringLiteral("OiVoij, cannot create path: ") + path;
    }
}

void ProgramStore::loadFile(const QString &path, LoadMode mode)
{
    QByteArray text;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        text = file.readAll();
    } else if (file.exists()) {
        qCWarning(lcConfig).noquote()
            << QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
    }
    loadObject(QJsonDocument::fromJson(text).object(), mode);
}

void ProgramStore::loadDocument(const QJsonObject &document)
{
    loadObject(document, ProgramsOnly);
}

void ProgramStore::loadObject(const QJsonObject &document, LoadMode mode)
{
    m_programs.clear();

    if (mode == Full) {
        if (document.contains(QStringLiteral("Language")))
            m_language = document.value(QStringLiteral("Language")).toString();
        if (document.contains(deviceKey()))
            m_deviceText = document.value(deviceKey()).toString();
        if (document.contains(panelsKey()))
            m_panels = document.value(panelsKey()).toObject();
        if (document.contains(openProgramKey()))
            m_openProgram = document.value(openProgramKey()).toObject();
    }

    const QJsonValue programs = document.value(programsKey());
    if (programs.isArray()) {
        const QJsonArray lists = programs.toArray();
        for (const QJsonValue &list : lists) {
            if (!list.isArray())
                continue;
            std::vector<std::unique_ptr<Command>> program;
            const QJsonArray commands = list.toArray();
            for (const QJsonValue &value : commands) {
                const QJsonObject object = value.toObject();
                const QString name = object.value(QStringLiteral("action"))
                                         .toObject()
                                         .value(QStringLiteral("command"))
                                         .toString();
                auto command = std::make_unique<Command>(name);
                command->load(object);
                program.push_back(std::move(command));
            }
            m_programs.push_back(std::move(program));
        }
    } else {
        m_programs.emplace_back();
    }

    m_configuration = document.value(QStringLiteral("configuration")).toObject();
}

QList<Command *> ProgramStore::program(int index) const
{
    QList<Command *> list;
    if (index < 0 || index >= programCount())
        return list;
    for (const auto &command : m_programs[static_cast<size_t>(index)])
        list.append(command.get());
    return list;
}

QJsonObject ProgramStore::buildDocument(const QList<QList<Command *>> &lists) const
{
    QJsonArray programs;
    for (const QList<Command *> &list : lists) {
        QJsonArray program;
        for (const Command *command : list) {
            if (command)
                program.append(command->documentJson());
        }
        programs.append(program);
    }
    return QJsonObject{
        {deviceKey(), m_deviceText},
        {programsKey(), programs},
        {QStringLiteral("configuration"), AppContext::instance().writeConfiguration()}};
}

bool ProgramStore::saveFile(const QString &path, const QJsonObject &document)
{
    return saveBytes(path, QJsonDocument(document).toJson(QJsonDocument::Indented),
                     QIODevice::Text);
}

bool ProgramStore::saveBytes(const QString &path, const QByteArray &bytes,
                             QIODevice::OpenMode extra)
{
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk) shows in write()'s result: the buffered
    // path accepts a partly written file and would commit it.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | extra)) {
        qCWarning(lcConfig).noquote()
            << QStringLiteral("Cannot open %1 for writing: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size())
        file.cancelWriting();
    if (!file.commit()) {
        qCWarning(lcConfig).noquote()
            << QStringLiteral("Cannot save %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

bool ProgramStore::saveState(const QString &language, QJsonObject document) const
{
    if (m_stateSaveBlocked) {
        qCWarning(lcConfig).noquote()
            << QStringLiteral("Not saving over the unreadable state %1").arg(m_stateFilePath);
        return false;
    }
    document.insert(QStringLiteral("Language"), language);
    if (!m_panels.isEmpty())
        document.insert(panelsKey(), m_panels);
    if (!m_openProgram.isEmpty())
        document.insert(openProgramKey(), m_openProgram);
    return saveFile(m_stateFilePath, document);
}
