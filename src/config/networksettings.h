// SPDX-License-Identifier: GPL-2.0-or-later
// Section [Network] of QuillonCID.ini: sharing calls with displays, and
// taking calls from a caller-ID server instead of the modem.
#pragma once

#include <QString>

namespace Quillon {

struct NetworkSettings
{
    bool Share = false;
    int SharePort = 3333;
    bool ShareAllHosts = false; // false: the loopback address only
    int ShareLog = 100; // calls sent at connect; 0 for none
    bool Receive = false; // the network server is the call source
    QString ServerHost = QStringLiteral("localhost");
    int ServerPort = 3333;

    bool operator==(const NetworkSettings&) const = default;
};

// Missing or unusable values (a port outside 1..65535, a negative count)
// read as their defaults.
NetworkSettings LoadNetworkSettings(const QString& iniPath);
// Writes every key, Booleans as "True"/"False"; false when a write failed.
bool SaveNetworkSettings(const QString& iniPath, const NetworkSettings& settings);

} // namespace Quillon
