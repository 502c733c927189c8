// SPDX-License-Identifier: GPL-2.0-or-later
#include "reception/modemtext.h"

#include <QStringList>

namespace Quillon {

bool holdsCallText(const QString& text)
{
    static const QLatin1String marks[] = {
        QLatin1String("RING"),   QLatin1String("DATE="),  QLatin1String("DATE ="),
        QLatin1String("TIME="),  QLatin1String("TIME ="), QLatin1String("NMBR="),
        QLatin1String("NMBR ="), QLatin1String("NAME="),  QLatin1String("NAME ="),
    };
    for (const QLatin1String& mark : marks) {
        if (text.contains(mark))
            return true;
    }
    return false;
}

bool holdsCompleteReport(const QString& text)
{
    static const QLatin1String spaced[]
        = { QLatin1String("DATE ="), QLatin1String("TIME ="), QLatin1String("NMBR ="), QLatin1String("NAME =") };
    static const QLatin1String unspaced[]
        = { QLatin1String("DATE="), QLatin1String("TIME="), QLatin1String("NMBR="), QLatin1String("NAME=") };
    const auto& tags = text.contains(spaced[0]) ? spaced : unspaced;
    for (const QLatin1String& tag : tags) {
        const qsizetype at = text.indexOf(tag);
        if (at < 0)
            return false;
        const qsizetype valueStart = at + tag.size();
        if (text.indexOf(QLatin1Char('\r'), valueStart) < 0 && text.indexOf(QLatin1Char('\n'), valueStart) < 0)
            return false;
    }
    return true;
}

bool holdsOnlyModemAnswers(const QString& text)
{
    // Numeric "2" is RING and stays out; the rest are what the program's
    // commands (reset, initialisation, answer, hang-up) get back.
    static const QLatin1String answers[] = {
        QLatin1String("OK"), QLatin1String("ERROR"), QLatin1String("CONNECT"), QLatin1String("NO CARRIER"),
        QLatin1String("0"),  QLatin1String("1"),     QLatin1String("3"),       QLatin1String("4"),
    };
    // Numeric answers end with a lone CR, verbal ones with CR LF.
    const QStringList lines = QString(text).replace(QLatin1Char('\r'), QLatin1Char('\n')).split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1String("AT"), Qt::CaseInsensitive))
            continue;
        bool known = false;
        for (const QLatin1String& answer : answers)
            known = known || line == answer;
        if (!known)
            return false;
    }
    return true;
}

} // namespace Quillon
