#pragma once

#include <QString>

// What the device page says about the chosen device and about a search, worked out from the
// link's events: the dictionary key of the words, the name they mention and their tone. Kept
// apart from the page so the rules can be followed event by event.
class LinkStatus
{
public:
    enum class Tone
    {
        Hidden,
        Waiting,
        Good,
        Bad,
        Neutral
    };

    struct Words
    {
        QString key;
        // Fills "%1" of the text, when the text has one (the device's name).
        QString argument;
        Tone tone = Tone::Hidden;
        // Fills "%2", when the text has one (such as the group that may use a serial port).
        QString detail;
        bool operator==(const Words &) const = default;
    };

    // The device the link now connects to; its name as the user knows it.
    void chooseDevice(const QString &name);
    bool hasDevice() const { return m_chosen; }
    QString deviceName() const { return m_name; }
    // A connection status number of the link (the transport's, and 3 for the first frame).
    Words connectState(int value);
    // A watchdog tick without a frame.
    Words watchdogTick();
    // Why the chosen device does not come up (a LinkProblem code); None forgets it.
    Words linkProblem(int problem, const QString &detail = {});
    Words current() const { return m_current; }

    // The words at the end of a search.
    static Words searchEnded(int robotCount, int problem);
    // The words for a LinkProblem code.
    static QString problemKey(int problem);

private:
    Words problemWords() const;

    QString m_name;
    bool m_chosen = false;
    bool m_wasConnected = false;
    int m_problem = 0;
    QString m_problemDetail;
    Words m_current;
};
