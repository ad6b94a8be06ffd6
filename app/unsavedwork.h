#pragma once

#include <QJsonObject>

#include <functional>
#include <optional>

class QWidget;

// Whether the editor's program holds work that is in no file, and the one question asked before
// such work is replaced (a new program, an example, a file opened or dropped): save it, throw it
// away, or keep it and do nothing.
class UnsavedWork
{
public:
    // The document as it was just saved, opened or started: no changes from here on.
    void markSaved(const QJsonObject &document);
    // Nothing of it is known to be in a file (the work restored at start-up): it counts as
    // unsaved as soon as it holds a command.
    void forget() { m_saved.reset(); }
    // Programs or the robot's configuration differ from what was marked.
    bool hasChanges(const QJsonObject &document) const;

    // Asks when there are changes; true when the caller may go on, because there were none, the
    // work was saved (save returns true once it is) or the user chose to throw it away.
    bool askToKeep(QWidget *parent, const QJsonObject &document,
                   const std::function<bool()> &save) const;

private:
    static QJsonObject relevant(const QJsonObject &document);

    std::optional<QJsonObject> m_saved;
};
