// SPDX-License-Identifier: GPL-2.0-or-later
// Calls as the line protocol carries them, and as the pipeline keeps them.
#pragma once

#include "network/ncidline.h"
#include "reception/reportparser.h"

#include <QDate>
#include <QDateTime>

namespace Quillon {

// DATE mmddyyyy (the call's month and day, the year of when), TIME hhmm,
// LINE "-", NMBR and NAME as shown, MESG NONE. A call without date or time
// ("NONE") takes them from when.
NcidFields ncidCallFields(const QString& date, const QString& time, const QString& number, const QString& name,
                          const QDateTime& when);

// A number as displays want it: the digits alone when a stored number is
// digits laid out ("555-123-4567"), so that each display lays it out its own
// way; anything else as it is.
QString ncidNumber(const QString& shown);

// A received call line in the form of a modem report: Date "mm/dd" and Time
// "hh:mm" ("NONE" when missing or malformed), "-" or nothing as "UNKNOWN";
// When the call's date and time with the year the line gives.
// The number is as received; the caller formats it.
CidCall cidCallFromNcid(const NcidLine& line);

} // namespace Quillon
