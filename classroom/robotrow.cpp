#include "robotrow.h"

#include "appcontext.h"
#include "linkproblem.h"

#include <QtMath>

namespace {

QString dictionaryText(const char *key)
{
    return AppContext::instance().text(QLatin1String(key));
}

} // namespace

QString RobotRow::stateText() const
{
    return stateText(state, percent, why);
}

QString RobotRow::stateText(State state, int percent, const QString &why)
{
    switch (state) {
    case State::Found:
        return dictionaryText("ClassStateFound");
    case State::Queued:
        return dictionaryText("ClassStateQueued");
    case State::Connecting:
        return dictionaryText("ClassStateConnecting");
    case State::Connected:
        return dictionaryText("ClassStateConnected");
    case State::Identifying:
        return dictionaryText("ClassStateIdentifying");
    case State::Shown:
        return dictionaryText("ClassStateShown");
    case State::Renaming:
        return dictionaryText("ClassStateRenaming");
    case State::Renamed:
        return dictionaryText("ClassStateRenamed");
    case State::Writing:
        return dictionaryText("ClassStateWriting").arg(qBound(0, percent, 100));
    case State::Written:
        return dictionaryText("ClassStateWritten");
    case State::Reading:
        return dictionaryText("ClassStateReading").arg(qBound(0, percent, 100));
    case State::Read:
        return dictionaryText("ClassStateRead");
    case State::Failed:
        return dictionaryText("ClassStateFailed")
            .arg(why.isEmpty() ? dictionaryText("ClassWhyUnknown") : why);
    }
    return QString();
}

RobotRow::Tone RobotRow::toneOf(State state)
{
    switch (state) {
    case State::Found:
        return Tone::Plain;
    case State::Connected:
    case State::Shown:
    case State::Renamed:
    case State::Written:
    case State::Read:
        return Tone::Good;
    case State::Failed:
        return Tone::Bad;
    case State::Queued:
    case State::Connecting:
    case State::Identifying:
    case State::Renaming:
    case State::Writing:
    case State::Reading:
        break;
    }
    return Tone::Busy;
}

QString RobotRow::shownAddress(const QString &address)
{
    QString shown = address;
    for (const QLatin1String scheme : {QLatin1String("tcp://"), QLatin1String("serial:")}) {
        if (shown.startsWith(scheme))
            shown = shown.mid(scheme.size());
    }
    // A serial port's speed is the kit's; the port is what a teacher looks for.
    if (address.startsWith(QLatin1String("serial:")) && shown.contains(QLatin1Char('@')))
        shown.truncate(shown.lastIndexOf(QLatin1Char('@')));
    return shown;
}

bool RobotRow::isBusy(State state)
{
    return toneOf(state) == Tone::Busy;
}

namespace ClassColours {

QColor text(RobotRow::Tone tone)
{
    switch (tone) {
    case RobotRow::Tone::Plain:
        return QColor(0x26, 0x32, 0x38);
    case RobotRow::Tone::Busy:
        return QColor(0x0d, 0x47, 0xa1);
    case RobotRow::Tone::Good:
        return QColor(0x1b, 0x5e, 0x20);
    case RobotRow::Tone::Bad:
        return QColor(0xb7, 0x1c, 0x1c);
    }
    return Qt::black;
}

QColor background(RobotRow::Tone tone)
{
    switch (tone) {
    case RobotRow::Tone::Plain:
        return Qt::white;
    case RobotRow::Tone::Busy:
        return QColor(0xe3, 0xf2, 0xfd);
    case RobotRow::Tone::Good:
        return QColor(0xe8, 0xf5, 0xe9);
    case RobotRow::Tone::Bad:
        return QColor(0xff, 0xeb, 0xee);
    }
    return Qt::white;
}

QColor selectedText()
{
    return Qt::white;
}

QColor selectedBackground()
{
    return QColor(0x02, 0x77, 0xbd);
}

QColor summaryText(bool allWell)
{
    return text(allWell ? RobotRow::Tone::Good : RobotRow::Tone::Bad);
}

QColor summaryBackground(bool allWell)
{
    return background(allWell ? RobotRow::Tone::Good : RobotRow::Tone::Bad);
}

double contrast(const QColor &first, const QColor &second)
{
    // Relative luminance of sRGB as WCAG 2 defines it.
    auto luminance = [](const QColor &colour) {
        auto channel = [](double value) {
            return value <= 0.03928 ? value / 12.92 : qPow((value + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
               0.0722 * channel(colour.blueF());
    };
    const double a = luminance(first);
    const double b = luminance(second);
    return (qMax(a, b) + 0.05) / (qMin(a, b) + 0.05);
}

} // namespace ClassColours

namespace ClassWords {

QString failure(RobotJob::Failure why, int linkProblem)
{
    switch (linkProblem) {
    case LinkProblem::BluetoothOff:
    case LinkProblem::NoAdapter:
    case LinkProblem::NoBluetoothService:
    case LinkProblem::ServiceTaken:
        return dictionaryText("ClassWhyBluetooth");
    case LinkProblem::NotPaired:
    case LinkProblem::UnknownDevice:
        return dictionaryText("ClassWhyNotPaired");
    case LinkProblem::PortMissing:
    case LinkProblem::PortPermission:
    case LinkProblem::PortBusy:
        return dictionaryText("ClassWhyPort");
    default:
        break;
    }
    switch (why) {
    case RobotJob::Failure::None:
        return QString();
    case RobotJob::Failure::Cancelled:
        return dictionaryText("ClassWhyCancelled");
    case RobotJob::Failure::NoLink:
        return dictionaryText("ClassWhyNoLink");
    case RobotJob::Failure::LinkLost:
        return dictionaryText("ClassWhyLinkLost");
    case RobotJob::Failure::NotAnswering:
        return dictionaryText("ClassWhyNotAnswering");
    case RobotJob::Failure::NotCompiled:
        return dictionaryText("ClassWhyNotCompiled");
    case RobotJob::Failure::ReadLocked:
        return dictionaryText("ClassWhyReadLocked");
    case RobotJob::Failure::NoProgram:
        return dictionaryText("ClassWhyNoProgram");
    case RobotJob::Failure::Refused:
        return dictionaryText("ClassWhyRefused");
    }
    return dictionaryText("ClassWhyUnknown");
}

RobotRow::State stateOf(RobotJob::State state)
{
    using State = RobotRow::State;
    switch (state) {
    case RobotJob::State::Found:
        return State::Queued;
    case RobotJob::State::Connecting:
        return State::Connecting;
    case RobotJob::State::Connected:
        return State::Connected;
    case RobotJob::State::Showing:
    case RobotJob::State::Running:
        return State::Identifying;
    case RobotJob::State::Shown:
    case RobotJob::State::RunEnded:
        return State::Shown;
    case RobotJob::State::Renaming:
        return State::Renaming;
    case RobotJob::State::Renamed:
        return State::Renamed;
    case RobotJob::State::Writing:
        return State::Writing;
    case RobotJob::State::Written:
        return State::Written;
    case RobotJob::State::Reading:
        return State::Reading;
    case RobotJob::State::Read:
        return State::Read;
    case RobotJob::State::Failed:
        return State::Failed;
    }
    return State::Found;
}

} // namespace ClassWords
