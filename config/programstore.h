#pragma once

#include "command.h"

#include <QIODevice>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

// What the editor remembers between runs and loads from program files: the program lists, the
// configuration object, the chosen Bluetooth device and the interface language. The state lives
// in home + "/Lumakit/states.json"; program files are program documents in "/Lumakit/Programs".
class ProgramStore
{
public:
    enum LoadMode
    {
        Full,         // programs, configuration, language and device text
        ProgramsOnly, // programs and configuration; language and device text stay
    };

    // Builds the paths under homePath and loads states.json. Without a usable state file the
    // store starts from the default program (the kit's set-up) with an empty language; a state
    // file that exists but cannot be read as a JSON object is first moved aside, never lost.
    explicit ProgramStore(const QString &homePath,
                          const QString &defaultProgram = defaultProgramPath());
    ~ProgramStore();

    ProgramStore(const ProgramStore &) = delete;
    ProgramStore &operator=(const ProgramStore &) = delete;

    static QString programsKey() { return QStringLiteral("ProgData"); }
    static QString deviceKey() { return QStringLiteral("BluetoothDeviceName"); }

    QString dataFolder() const;     // home + "/Lumakit"
    QString programsFolder() const; // home + "/Lumakit/Programs"
    const QString &stateFilePath() const { return m_stateFilePath; }
    // The empty program beside the executable used by "Clear".
    static QString defaultProgramPath();

    // Creates the data and programs folders when missing, logging each (failures are logged only).
    void createFolders() const;

    void loadFile(const QString &path, LoadMode mode);
    // True when the text is a program document: a JSON object whose "ProgData" is an array.
    static bool isProgramDocument(const QByteArray &text);
    // The program document in the file; nothing (and a log line) when it cannot be read or is
    // not a program document.
    static std::optional<QJsonObject> readProgramDocument(const QString &path);
    // As loadFile in programs-only mode, from a document.
    void loadDocument(const QJsonObject &document);

    const QString &language() const { return m_language; }
    void setLanguage(const QString &language) { m_language = language; }
    const QString &deviceText() const { return m_deviceText; }
    void setDeviceText(const QString &text) { m_deviceText = text; }
    // How the side panels were arranged ("Panels" of the state file); saved with the state.
    static QString panelsKey() { return QStringLiteral("Panels"); }
    const QJsonObject &panels() const { return m_panels; }
    void setPanels(const QJsonObject &panels) { m_panels = panels; }
    // Which program file the editor held and whether it had unsaved changes ("OpenProgram" of
    // the state file); saved with the state.
    static QString openProgramKey() { return QStringLiteral("OpenProgram"); }
    const QJsonObject &openProgram() const { return m_openProgram; }
    void setOpenProgram(const QJsonObject &openProgram) { m_openProgram = openProgram; }
    const QJsonObject &configuration() const { return m_configuration; }

    // Program k of the last load (0 = main program); the store keeps ownership.
    int programCount() const { return static_cast<int>(m_programs.size()); }
    QList<Command *> program(int index) const;

    const QJsonObject &currentDocument() const { return m_currentDocument; }
    void setCurrentDocument(const QJsonObject &document) { m_currentDocument = document; }

    // {"BluetoothDeviceName": device text, "ProgData": JSON of every list, "configuration":
    // AppContext::writeConfiguration()}.
    QJsonObject buildDocument(const QList<QList<Command *>> &lists) const;
    // Writes indented JSON atomically; false (and a log line) on failure, the old file intact.
    static bool saveFile(const QString &path, const QJsonObject &document);
    // Writes the bytes atomically, the same way (`extra`: QIODevice::Text for text files whose
    // line ends follow the system).
    static bool saveBytes(const QString &path, const QByteArray &bytes,
                          QIODevice::OpenMode extra = {});
    // Adds "Language" (and "Panels" when there is a panel arrangement, "OpenProgram" when the
    // editor said which program it holds) and saves to the state file.
    // Refused (false, a log line) while a broken state file could not be moved aside, so that it is
    // never overwritten unseen.
    bool saveState(const QString &language, QJsonObject document) const;

    // Where a broken state file was kept at start-up, empty when there was none; the user is told
    // once, so taking it clears it.
    QString takeBrokenStateCopy() { return std::exchange(m_brokenStateCopy, QString()); }

private:
    void loadObject(const QJsonObject &document, LoadMode mode);
    void loadState(const QString &defaultProgram);
    bool setBrokenStateAside();

    QString m_homePath;
    QString m_stateFilePath;
    QString m_language;
    QString m_deviceText;
    QJsonObject m_panels;
    QJsonObject m_openProgram;
    QJsonObject m_configuration;
    QJsonObject m_currentDocument;
    QString m_brokenStateCopy;
    bool m_stateSaveBlocked = false;
    std::vector<std::vector<std::unique_ptr<Command>>> m_programs;
};
