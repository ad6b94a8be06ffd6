#include "linkstatus.h"

#include "linkproblem.h"
#include "linkprotocol.h"

void LinkStatus::chooseDevice(const QString &name)
{
    m_name = name;
    m_chosen = true;
    m_wasConnected = false;
    m_problem = LinkProblem::None;
    m_current = {QStringLiteral("BluetoothConnecting"), m_name, Tone::Waiting};
}

LinkStatus::Words LinkStatus::connectState(int value)
{
    using LinkProtocol::ConnectionStatus;
    switch (ConnectionStatus(value)) {
    case ConnectionStatus::Flooded:
        m_current = {QStringLiteral("BluetoothPlugin-2"), {}, Tone::Bad};
        break;
    case ConnectionStatus::OpenFailed:
        m_current = {QStringLiteral("BluetoothPlugin-1"), {}, Tone::Bad};
        break;
    case ConnectionStatus::None:
        m_current = {};
        break;
    case ConnectionStatus::Opened:
        m_current = {QStringLiteral("BluetoothPlugin1"), {}, Tone::Waiting};
        break;
    case ConnectionStatus::DataArrived:
        m_current = {QStringLiteral("BluetoothPlugin2"), {}, Tone::Waiting};
        break;
    case ConnectionStatus::FirstFrame:
        m_wasConnected = true;
        m_problem = LinkProblem::None;
        // Whatever the last search could not do, the link works now: that is past.
        if (m_search == Search::Ended)
            m_searchCountOnly = true;
        m_current = m_chosen ? Words{QStringLiteral("BluetoothConnected"), m_name, Tone::Good}
                             : Words{QStringLiteral("BluetoothPlugin3"), {}, Tone::Good};
        break;
    default:
        m_current = {QStringLiteral("BluetoothPluginUnknown"), {}, Tone::Waiting};
        break;
    }
    return m_current;
}

LinkStatus::Words LinkStatus::watchdogTick()
{
    if (!m_chosen)
        m_current = {QStringLiteral("BluetoothNoPlugin"), {}, Tone::Bad};
    else if (m_problem != LinkProblem::None)
        m_current = problemWords();
    else if (m_wasConnected)
        m_current = {QStringLiteral("BluetoothLinkLost"), m_name, Tone::Bad};
    else
        m_current = {QStringLiteral("BluetoothConnecting"), m_name, Tone::Waiting};
    return m_current;
}

LinkStatus::Words LinkStatus::linkProblem(int problem, const QString &detail)
{
    m_problem = problem;
    m_problemDetail = detail;
    if (problem != LinkProblem::None)
        m_current = problemWords();
    return m_current;
}

LinkStatus::Words LinkStatus::problemWords() const
{
    return {problemKey(m_problem), m_name, Tone::Bad, m_problemDetail};
}

QString LinkStatus::problemKey(int problem)
{
    switch (problem) {
    case LinkProblem::BluetoothOff:
        return QStringLiteral("BluetoothOff");
    case LinkProblem::NoAdapter:
        return QStringLiteral("BluetoothNoAdapter");
    case LinkProblem::NoBluetoothService:
        return QStringLiteral("BluetoothNoService");
    case LinkProblem::ServiceTaken:
        return QStringLiteral("BluetoothServiceTaken");
    case LinkProblem::NotPaired:
        return QStringLiteral("BluetoothNotPaired");
    case LinkProblem::Unreachable:
        return QStringLiteral("BluetoothUnreachable");
    case LinkProblem::UnknownDevice:
        return QStringLiteral("BluetoothUnknownDevice");
    case LinkProblem::PortMissing:
        return QStringLiteral("SerialPortMissing");
    case LinkProblem::PortPermission:
        return QStringLiteral("SerialPortPermission");
    case LinkProblem::PortBusy:
        return QStringLiteral("SerialPortBusy");
    default:
        return QStringLiteral("BluetoothNoPlugin");
    }
}

LinkStatus::Words LinkStatus::chosenDeviceListed()
{
    if (m_problem == LinkProblem::UnknownDevice) {
        m_problem = LinkProblem::None;
        m_current = {QStringLiteral("BluetoothConnecting"), m_name, Tone::Waiting};
    }
    return m_current;
}

void LinkStatus::searchRequested()
{
    m_search = Search::Running;
    m_robotsListed = 0;
    m_portsListed = 0;
    m_searchProblem = LinkProblem::None;
    m_searchCountOnly = false;
}

void LinkStatus::deviceListed(bool serialPort)
{
    ++(serialPort ? m_portsListed : m_robotsListed);
}

void LinkStatus::searchEnded(int problem)
{
    m_search = Search::Ended;
    m_searchProblem = problem;
    m_searchCountOnly = m_current.tone == Tone::Good;
}

LinkStatus::Words LinkStatus::comPortWords() const
{
    if (m_search == Search::Running)
        return {QStringLiteral("ComPortsSearching"), {}, Tone::Neutral};
    // Before a search, how a robot gets a port of its own; after it, what it found.
    if (m_search == Search::None)
        return {QStringLiteral("ComPortsPairHint"), {}, Tone::Neutral};
    if (m_portsListed == 0)
        return {QStringLiteral("ComPortsNone"), {}, Tone::Bad};
    return {QStringLiteral("ComPortsFound"), QString::number(m_portsListed), Tone::Neutral};
}

LinkStatus::Words LinkStatus::searchWords() const
{
    if (m_comPortsOnly)
        return comPortWords();
    if (m_search == Search::None)
        return {};
    if (m_search == Search::Running)
        return {QStringLiteral("BluetoothSearching"), {}, Tone::Neutral};
    const QString robots = QString::number(m_robotsListed);
    const QString ports = QString::number(m_portsListed);
    // A problem is told once, and not at all beside a link that works or worked since.
    if (!m_searchCountOnly && m_searchProblem != LinkProblem::None &&
        m_current.key != problemKey(m_searchProblem))
        return {problemKey(m_searchProblem), {}, Tone::Bad};
    if (!m_searchCountOnly && m_searchProblem == LinkProblem::None && m_robotsListed == 0) {
        return m_portsListed == 0
                   ? Words{QStringLiteral("BluetoothNoneFound"), {}, Tone::Bad}
                   : Words{QStringLiteral("BluetoothNoneFoundPorts"), ports, Tone::Bad};
    }
    if (m_portsListed == 0)
        return {QStringLiteral("BluetoothFoundCount"), robots, Tone::Neutral};
    return {QStringLiteral("BluetoothFoundWithPorts"), robots, Tone::Neutral, ports};
}
