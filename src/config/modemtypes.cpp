// SPDX-License-Identifier: GPL-2.0-or-later
#include "modemtypes.h"

namespace Quillon {

const QList<ModemType>& modemTypes()
{
    static const QList<ModemType> types = {
        { QStringLiteral("Option8"), QStringLiteral("Hayes"), QStringLiteral("AT#CID=1") },
        { QStringLiteral("Option9"), QStringLiteral("Motorola"), QStringLiteral("AT*ID1") },
        { QStringLiteral("Option10"), QStringLiteral("Cirrus"), QStringLiteral("AT#CC1") },
        { QStringLiteral("Option11"), QStringLiteral("Rockwell"), QStringLiteral("AT+VCID=1") },
        { QStringLiteral("Option12"), QStringLiteral("Boca"), QStringLiteral("AT#CLS=8") },
        { QStringLiteral("Option13"), QStringLiteral("Lucent"), QStringLiteral("AT%CCID=1") },
        { QStringLiteral("Option14"), QStringLiteral("Cardinal"), QStringLiteral("AT%CCID=3") },
        { QStringLiteral("Option15"), QStringLiteral("ZyXel 40"), QStringLiteral("ATS40.2=1") },
        { QStringLiteral("Option16"), QStringLiteral("ZyXel 41"), QStringLiteral("ATS41.6=1") },
        { QStringLiteral("Option17"), QStringLiteral("ZyXel 42"), QStringLiteral("ATS42.2=1") },
    };
    return types;
}

int modemTypeIndexForCommand(const QString& command)
{
    const QList<ModemType>& types = modemTypes();
    for (qsizetype i = 0; i < types.size(); ++i) {
        if (types.at(i).initCommand == command)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace Quillon
