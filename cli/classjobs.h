#pragma once

#include "robotjob.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

// The command line's work on several robots at once, through the class scheduler.
namespace ClassJobs {

// The class the editor keeps: home + "/Lumakit/class.json".
QString rosterPath();

// The key beside the program in a file read from a robot: its name, address and class number.
// The editor reads only the program and its configuration.
inline constexpr char kRobotKey[] = "robot";

// Runs a write or a read on every address at once, then prints one line per robot in the order
// given (address, class name or "-", what happened). A read writes each robot's program into
// outputFolder as "<robot name>.json". The exit code: success only when every robot succeeded.
int runOnEvery(RobotJob::Kind kind, const QStringList &addresses, int timeoutSeconds,
               const QJsonObject &document, const QString &outputFolder);

// A file name for a robot's program: its name with characters no file system takes replaced,
// or its address without the scheme when it has no name.
QString fileNameFor(const QString &name, const QString &address);

} // namespace ClassJobs
