#pragma once

#include "linkproblem.h"

#include <QString>

// Tells why Bluetooth does not work, in the terms the Bluetooth page uses. Qt reports a failed
// connection only as "host not found", whatever BlueZ said; these checks ask the stack again.
class BluetoothDiagnosis
{
public:
    // None when the computer's Bluetooth can be used: a service, an adapter, switched on.
    static LinkProblem::Code availability();
    // Why connecting to the address failed, given the socket's error text.
    static LinkProblem::Code connectFailure(const QString &address, const QString &errorText);
    // Whether the system has paired the device (BlueZ's "Paired").
    static bool isPaired(const QString &address);
};
