#pragma once

#include "robotjob.h"

#include <QColor>
#include <QString>

// One robot of the class as its row shows it: its place in the class, how to reach it, and what
// is happening to it now, in words a teacher reads across the room.
struct RobotRow
{
    enum class State
    {
        // Listed by a search or remembered from an earlier lesson, nothing done yet.
        Found,
        // Its turn has not come: as many robots as the links allow are busy.
        Queued,
        Connecting,
        Connected,
        // Showing its number, playing its melody, moving a little.
        Identifying,
        Shown,
        Renaming,
        Renamed,
        Writing,
        Written,
        Reading,
        Read,
        Failed,
    };
    // How a state looks: the colours of its words.
    enum class Tone
    {
        Plain,
        Busy,
        Good,
        Bad,
    };

    int number = 0;
    QString name;
    // The device text (name and address) the link connects with.
    QString deviceText;
    // The link's address of the device text, by which the row is known.
    QString address;
    State state = State::Found;
    // Of a write or read under way.
    int percent = 0;
    // Why it failed, in words.
    QString why;
    // The program read from it, once collected.
    QString readFile;
    bool checked = false;
    // The robot the editor itself is connected to.
    bool editorsRobot = false;

    // The state in the words of the current dictionary ("writing 45 %", "failed: …").
    QString stateText() const;
    static QString stateText(State state, int percent, const QString &why);
    static Tone toneOf(State state);
    // What a row shows of an address: a Bluetooth address, a port, host:port.
    static QString shownAddress(const QString &address);
    // A job runs on the robot now; the row's own actions wait.
    static bool isBusy(State state);
};

// The colours of the class window's words, chosen to be read at 4.5:1 or better.
namespace ClassColours {

QColor text(RobotRow::Tone tone);
QColor background(RobotRow::Tone tone);
// A selected row: white on the kit's blue.
QColor selectedText();
QColor selectedBackground();
// The summary line under the list.
QColor summaryText(bool allWell);
QColor summaryBackground(bool allWell);
// WCAG's contrast ratio of two opaque colours, 1 to 21.
double contrast(const QColor &first, const QColor &second);

} // namespace ClassColours

// What the link's ends and failures are called in a row.
namespace ClassWords {

// Why a job failed, in a few words; the link's own reason where it knows one.
QString failure(RobotJob::Failure why, int linkProblem = 0);
RobotRow::State stateOf(RobotJob::State state);

} // namespace ClassWords
