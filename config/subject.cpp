#include "subject.h"

#include "observer.h"

void Subject::attach(Observer *observer)
{
    m_observers.append(observer);
}

void Subject::detach(Observer *observer)
{
    m_observers.removeOne(observer);
}

void Subject::notifyObservers()
{
    // A copy, so that an observer may detach itself while being told.
    const QList<Observer *> observers = m_observers;
    for (Observer *observer : observers)
        observer->subjectChanged(QString());
}

Subject::~Subject() = default;
