#pragma once

#include <QString>

// Something that wants to hear when a command changes (a program row).
class Observer
{
public:
    virtual ~Observer() = default;
    virtual void subjectChanged(const QString &text) = 0;
};
