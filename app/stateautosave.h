#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

// Saves the editor's state shortly after an edit, so that a crash or a killed process loses at
// most the last moment of work. Edits that follow each other closely are saved together: the
// first edit starts the clock and later ones ride along, so the state is never more than one
// delay behind, however long the user keeps editing.
class StateAutosave : public QObject
{
    Q_OBJECT
public:
    static constexpr int delayMs = 1000;

    explicit StateAutosave(std::function<void()> save, QObject *parent = nullptr);

    // An edit happened; the state is saved within delayMs.
    void schedule();
    // Saves at once when an edit is still waiting.
    void flush();
    // Forgets a waiting edit (the state was saved another way).
    void cancel() { m_timer.stop(); }
    bool isPending() const { return m_timer.isActive(); }

private:
    std::function<void()> m_save;
    QTimer m_timer;
};
