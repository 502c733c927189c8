// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/portmap.h"

#include "config/settingsstore.h"

namespace Quillon {

QString defaultDevicePath(int portNumber)
{
    switch (portNumber) {
    case 1:
    case 2:
    case 3:
    case 4:
        return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
    case 5:
        return QStringLiteral("/dev/ttyACM0");
    case 6:
        return QStringLiteral("/dev/ttyUSB0");
    default:
        return {};
    }
}

QString commPortDevice(const QString& iniPath, int portNumber)
{
    if (portNumber < 1 || portNumber > 6)
        return {};
    return GetIniValue(iniPath, QStringLiteral("Ports"), QStringLiteral("Comm%1").arg(portNumber),
                       defaultDevicePath(portNumber))
        .trimmed();
}

} // namespace Quillon
