// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDateTime>
#include <QString>

namespace Quillon {

// Dates and times shown to the user and written to the log: the system
// locale's short date, a blank, and the time with seconds.
QString dateTimeText(const QDateTime& when);

} // namespace Quillon
