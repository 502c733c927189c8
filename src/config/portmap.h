// SPDX-License-Identifier: GPL-2.0-or-later
// Serial port numbers 1..6 and the devices they stand for.
#pragma once

#include <QString>

namespace Quillon {

// Built-in devices of ports 1..6: ttyS0..ttyS3, then the usual USB modem and
// USB serial adapter; empty outside 1..6.
QString defaultDevicePath(int portNumber);

// The device of a port number: key CommN of [Ports] in the settings file when
// present, else the built-in one. Read at every call, never written, so a
// user can point a port at another device (or a simulator) by hand. Empty
// when the number has no device (outside 1..6, or an empty key).
QString commPortDevice(const QString& iniPath, int portNumber);

} // namespace Quillon
