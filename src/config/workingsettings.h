// SPDX-License-Identifier: GPL-2.0-or-later
// The program-wide working settings: in-memory copies shared by every part
// of the program, loaded from and written back to QuillonCID.ini.
#pragma once

#include <QString>

namespace Quillon {

// The serial-port group, sections [Comm] and [Modem]: loaded afresh at every
// opening of the port and stored together.
struct CommSettings
{
    qint16 ComPort = 1;
    QString Baud = QStringLiteral("14400");
    QString DataBit = QStringLiteral("8");
    QString StopBit = QStringLiteral("1");
    QString Parity = QStringLiteral("N");
    QString ModemStrng = QStringLiteral("AT#CID=1");
};

struct WorkingSettings : CommSettings
{
    // Switches, section [Settings] (Cnfg lives in [Comm]).
    bool EnableLog = false;
    bool Notify = true;
    bool Reject = true;
    bool RingIn = true;
    bool ExitDelay = true;
    // Call notices also while the window is open but another one is in front.
    bool NotifyInactive = true;
    bool Cnfg = false;

    // Number display, section [Settings].
    qint16 Format = 1;
    qint16 NmbrLngth = 10;

    // Call blocking, section [Blocking]; all of it only while Reject is on,
    // and never for a caller on the translate list.
    bool Hidden = false; // callers whose number is withheld or missing
    bool AllowListOnly = false; // every caller off the translate list
    QString QuietHours; // "HH:MM-HH:MM", may wrap midnight; empty: off
    bool HangUpFax = false; // HangUp=Fax: answer as a fax machine would
};

} // namespace Quillon
