#pragma once

#include <QJsonObject>
#include <QString>

// The program the editor holds, as the user knows it: the file it was last opened from or saved
// to (none for a new program), and whether it has changed since. A change is any difference of
// the programs or the robot's set-up from that file; an undo back to it is no change.
class OpenProgram
{
public:
    // The editor now holds what the file at path holds (an empty path: a new program).
    void setSaved(const QString &path, const QJsonObject &document);
    // The editor's document changed; true when that changed whether it counts as changed.
    bool update(const QJsonObject &document);

    const QString &path() const { return m_path; }
    bool isModified() const { return m_modified; }
    // The file's name without its folder and ".json", empty for a new program.
    QString name() const;

    // As the state file keeps it: {"path", "changed"}; restoring takes the document the editor
    // shows, which counts as saved unless the state says it was changed (a state that does not
    // say: unless it holds any command).
    QJsonObject toState() const;
    void restore(const QJsonObject &state, const QJsonObject &document);

private:
    static QJsonObject comparable(const QJsonObject &document);

    QString m_path;
    QJsonObject m_saved;
    bool m_modified = false;
    // Restored as changed: no saved document to return to is known.
    bool m_changedBeforeStart = false;
};
