#pragma once

#include "linksocket.h"

#include <QString>

// What the device page says, worked out from the link's events: one line about the chosen device
// and one about the last search, each as the dictionary key of the words, the name they mention
// and their tone. The two never contradict each other nor say the same thing twice. Kept apart
// from the page so the rules can be followed event by event.
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

    // Where Bluetooth sockets cannot be used (Windows), a robot arrives as the COM port that
    // pairing it in the system's settings makes: the search lists ports, and the words say how to
    // get a robot's port.
    explicit LinkStatus(bool comPortsOnly = !LinkSocket::kBluetoothSockets)
        : m_comPortsOnly(comPortsOnly)
    {}

    struct Words
    {
        QString key;
        // Fills "%1" of the text, when the text has one (the device's name, a count).
        QString argument;
        Tone tone = Tone::Hidden;
        // Fills "%2", when the text has one (such as the group that may use a serial port).
        QString detail = {};
        bool operator==(const Words &) const = default;
    };

    // The device the link now connects to; its name as the user knows it.
    void chooseDevice(const QString &name);
    bool hasDevice() const { return m_chosen; }
    QString deviceName() const { return m_name; }
    // A connection status number of the link (a LinkProtocol::ConnectionStatus).
    Words connectState(int value);
    // A watchdog tick without a frame.
    Words watchdogTick();
    // Why the chosen device does not come up (a LinkProblem code); None forgets it.
    Words linkProblem(int problem, const QString &detail = {});
    // A search lists the chosen device: the computer knows it now, whatever it said before.
    Words chosenDeviceListed();
    // The line about the chosen device.
    Words current() const { return m_current; }

    // A search was asked for; it lists robots and serial ports until it ends, with a LinkProblem
    // code when the computer's Bluetooth could not search.
    void searchRequested();
    void deviceListed(bool serialPort);
    void searchEnded(int problem);
    // The line about the last search.
    Words searchWords() const;

    // The words for a LinkProblem code.
    static QString problemKey(int problem);

private:
    enum class Search
    {
        None,
        Running,
        Ended
    };

    Words problemWords() const;

    Words comPortWords() const;

    bool m_comPortsOnly;
    QString m_name;
    bool m_chosen = false;
    bool m_wasConnected = false;
    int m_problem = 0;
    QString m_problemDetail;
    Words m_current;
    Search m_search = Search::None;
    int m_robotsListed = 0;
    int m_portsListed = 0;
    int m_searchProblem = 0;
    // The link worked when the search ended or since: the search's line only counts.
    bool m_searchCountOnly = false;
};
