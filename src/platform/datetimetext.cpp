// SPDX-License-Identifier: GPL-2.0-or-later
#include "datetimetext.h"

#include <QLocale>

namespace Quillon {

QString dateTimeText(const QDateTime& when)
{
    return QLocale::system().toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + when.time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace Quillon
