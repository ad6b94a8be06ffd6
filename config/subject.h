#pragma once

#include <QList>

class Observer;

// Keeps a list of observers that are told about every change. Observers are not owned: a row
// detaches itself before it goes away.
class Subject
{
public:
    Subject() = default;
    Subject(const Subject &) = default;
    Subject &operator=(const Subject &) = default;

    virtual void attach(Observer *observer);
    virtual void detach(Observer *observer);
    virtual void notifyObservers();
    virtual ~Subject();

    const QList<Observer *> &observers() const { return m_observers; }

private:
    QList<Observer *> m_observers;
};
