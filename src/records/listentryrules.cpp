// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/listentryrules.h"

#include "config/numberformat.h"
#include "platform/trimblanks.h"

#include <algorithm>

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

Relayout relayoutNumber(const QString& number, qint16 format, QString* laidOut)
{
    *laidOut = number;
    if (number == rejectNoNumber() || std::none_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); }))
        return Relayout::NotANumber;
    *laidOut = numberInLayout(number, format);
    if (*laidOut != number)
        return Relayout::Rewritten;
    // As typed: either already in the layout, or its digits do not fit it.
    QString digits;
    for (const QChar c : number) {
        if (c.isDigit())
            digits.append(c);
    }
    if (digits.size() != numberLengthForFormat(format))
        return Relayout::Left;
    FormatCidNumber(digits, format);
    return digits == number ? Relayout::Unchanged : Relayout::Left;
}

bool isRejectPattern(QStringView entry)
{
    return entry.contains(QLatin1Char('*')) || entry.contains(QLatin1Char('?'));
}

// Greedy with one step back: on a mismatch the last '*' takes one character
// more. Linear in practice, and never worse than entry times text.
bool rejectEntryMatches(QStringView entry, QStringView text)
{
    qsizetype e = 0;
    qsizetype t = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (t < text.size()) {
        if (e < entry.size() && entry[e] == QLatin1Char('*')) {
            star = e++;
            resume = t;
        } else if (e < entry.size() && (entry[e] == QLatin1Char('?') || entry[e] == text[t])) {
            ++e;
            ++t;
        } else if (star >= 0) {
            e = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (e < entry.size() && entry[e] == QLatin1Char('*'))
        ++e;
    return e == entry.size();
}

PersonName splitListedName(const QString& name)
{
    const qsizetype blank = name.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return { name, QString() };
    return { name.left(blank), name.mid(blank + 1) };
}

} // namespace Quillon
