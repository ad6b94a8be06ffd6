#pragma once

#include <QStringList>

// The link fails or the timeout passes.
constexpr int ExitLink = 3;

int runWrite(const QStringList &arguments);
int runRead(const QStringList &arguments);
int runRun(const QStringList &arguments);
int runScan(const QStringList &arguments);
int runIdentify(const QStringList &arguments);
int runRename(const QStringList &arguments);
