// SPDX-License-Identifier: GPL-2.0-or-later
#include "reportparser.h"

#include "platform/trimblanks.h"

namespace Quillon {

namespace {

struct TagFamily
{
    QLatin1String date;
    QLatin1String time;
    QLatin1String name;
    QLatin1String number;
    qsizetype valueOffset; // from the tag's first character
};

// The modem puts one blank between a spaced tag and its value.
const TagFamily Spaced { QLatin1String("DATE ="), QLatin1String("TIME ="), QLatin1String("NAME ="),
                         QLatin1String("NMBR ="), 7 };
const TagFamily Unspaced { QLatin1String("DATE="), QLatin1String("TIME="), QLatin1String("NAME="),
                           QLatin1String("NMBR="), 5 };

const QString Unknown = QStringLiteral("UNKNOWN");

bool isLineBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

// Up to maxLength characters from start, never past the end of that line.
QString lineValue(const QString& text, qsizetype start, qsizetype maxLength)
{
    if (start >= text.size() || maxLength <= 0)
        return QString(QLatin1String(""));
    const qsizetype limit = qMin(text.size(), start + maxLength);
    qsizetype end = start;
    while (end < limit && !isLineBreak(text.at(end)))
        ++end;
    return text.mid(start, end - start);
}

// "0612" becomes "06/12"; anything not four characters long "NONE".
QString splitFour(const QString& value, QChar separator)
{
    if (value.size() != 4)
        return QStringLiteral("NONE");
    return value.left(2) + separator + value.mid(2);
}

// Drops everything from the first line feed on, together with the character
// before it (the carriage return of the line end).
void cutAtLineBreak(QString& name)
{
    qsizetype lf = name.indexOf(QLatin1Char('\n'));
    while (lf >= 1) {
        name.truncate(lf - 1);
        lf = name.indexOf(QLatin1Char('\n'));
    }
}

} // namespace

bool ParseCidReport(const QString& text, qint16 nmbrLngth, CidCall& call)
{
    call.Date = Unknown;
    call.Time = Unknown;
    call.Number = Unknown;
    call.Name = Unknown;

    // The date tag alone decides the family; the other three tags are then
    // looked up in that family only.
    const TagFamily* family = &Spaced;
    qsizetype pDate = text.indexOf(family->date);
    if (pDate < 0) {
        family = &Unspaced;
        pDate = text.indexOf(family->date);
    }
    if (pDate < 0)
        return false;
    const qsizetype pTime = text.indexOf(family->time);
    const qsizetype pName = text.indexOf(family->name);
    const qsizetype pNmbr = text.indexOf(family->number);
    const qsizetype k = family->valueOffset;

    call.Date = splitFour(lineValue(text, pDate + k, 4), QLatin1Char('/'));
    call.Time = pTime >= 0 ? splitFour(lineValue(text, pTime + k, 4), QLatin1Char(':')) : QStringLiteral("NONE");

    if (pName >= 0 && pNmbr >= 0) {
        const qsizetype s = pName + k;
        // Name line before the number line: its value runs up to the CR LF
        // in front of the number tag.
        const qsizetype count = pNmbr - 2 - s;
        if (count >= 0)
            call.Name = trimBlanks(text.mid(s, count));
        if (pName > pNmbr) {
            // A tag at the very end of the text or directly followed by its
            // line break has no value; otherwise the value is the rest of
            // its line, blanks included.
            bool hasValue = s <= text.size();
            for (qsizetype i = pName + family->name.size(); hasValue && i < s && i < text.size(); ++i)
                hasValue = !isLineBreak(text.at(i));
            if (hasValue)
                call.Name = lineValue(text, s, text.size() - s);
        }
        cutAtLineBreak(call.Name);
    }

    if (pNmbr >= 0 && nmbrLngth >= 0)
        call.Number = lineValue(text, pNmbr + k, nmbrLngth);
    call.Number = trimBlanks(call.Number);

    const QLatin1String o("O");
    const bool blocked = call.Name == o || call.Number.startsWith(o);
    if (blocked && call.Number.size() < 5) {
        call.Number = QStringLiteral("ID BLOCKED");
        call.Name = QStringLiteral("ANONYMOUS CALLER");
    } else if (blocked) {
        call.Name = QStringLiteral("NOT DISPLAYED");
    }
    if (call.Number.size() < 5)
        call.Number = Unknown;
    return true;
}

} // namespace Quillon
