// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/listentryrules.h"

#include "config/numberformat.h"
#include "platform/trimblanks.h"

namespace Quillon {

QString rejectNoNumber()
{
    return QStringLiteral("000-000-0000");
}

// An empty name would reject every caller shown without one.
QString rejectNoName()
{
    return QStringLiteral("N/A");
}

ListEntry rejectEntry(const QString& typedNumber, const QString& typedName, qint16 format)
{
    ListEntry entry { numberInLayout(typedNumber, format), typedName.toUpper() };
    if (entry.isEmpty())
        return entry;
    if (entry.number.isEmpty())
        entry.number = rejectNoNumber();
    if (entry.name.isEmpty())
        entry.name = rejectNoName();
    return entry;
}

ListEntry rejectEntryBoxes(const ListEntry& stored)
{
    return { stored.number == rejectNoNumber() ? QString() : stored.number,
             stored.name == rejectNoName() ? QString() : stored.name };
}

// Without a name the number's calls would show a blank name.
ListEntry translateEntry(const QString& typedNumber, const QString& firstName, const QString& lastName, qint16 format)
{
    const QString number = numberInLayout(trimBlanks(typedNumber), format);
    const QString first = trimBlanks(firstName).toUpper();
    const QString last = trimBlanks(lastName).toUpper();
    if (number.isEmpty() || (first.isEmpty() && last.isEmpty()))
        return {};
    return { number, last + QLatin1Char(' ') + first };
}

PersonName splitListedName(const QString& name)
{
    const qsizetype blank = name.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return { name, QString() };
    return { name.left(blank), name.mid(blank + 1) };
}

} // namespace Quillon
