// SPDX-License-Identifier: GPL-2.0-or-later
// The ten known modem types and the caller-ID command each one takes, in
// on-screen and detection order.
#pragma once

#include <QList>
#include <QString>

namespace Quillon {

struct ModemType
{
    QString optionName; // "Option8" ... "Option17"
    QString caption;    // "Hayes"
    QString initCommand; // "AT#CID=1", without the carriage return
};

const QList<ModemType>& modemTypes();
// Index into modemTypes() of the first exact, case-sensitive match; -1 when none.
int modemTypeIndexForCommand(const QString& command);

} // namespace Quillon
