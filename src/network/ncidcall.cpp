// SPDX-License-Identifier: GPL-2.0-or-later
#include "network/ncidcall.h"

#include "platform/trimblanks.h"

#include <algorithm>

namespace Quillon {

namespace {

bool allDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// "06/12" or "14:32": two digits, the separator, two digits.
bool isSplitFour(const QString& value, QChar separator)
{
    return value.size() == 5 && value.at(2) == separator && allDigits(QStringView(value).left(2))
        && allDigits(QStringView(value).mid(3));
}

QString shownOrUnknown(const QString& value)
{
    const QString trimmed = trimBlanks(value);
    if (trimmed.isEmpty() || trimmed == u"-")
        return QStringLiteral("UNKNOWN");
    return trimmed;
}

} // namespace

QString ncidNumber(const QString& shown)
{
    QString digits;
    for (QChar c : shown) {
        if (c.isDigit())
            digits += c;
        else if (c != u'-' && c != u' ' && c != u'(' && c != u')' && c != u'.')
            return shown;
    }
    return digits.isEmpty() ? shown : digits;
}

NcidFields ncidCallFields(const QString& date, const QString& time, const QString& number, const QString& name,
                          const QDateTime& when)
{
    const QString monthDay
        = isSplitFour(date, u'/') ? date.left(2) + date.mid(3) : when.date().toString(QStringLiteral("MMdd"));
    const QString hhmm
        = isSplitFour(time, u':') ? time.left(2) + time.mid(3) : when.time().toString(QStringLiteral("HHmm"));
    return {
        { QStringLiteral("DATE"), monthDay + when.date().toString(QStringLiteral("yyyy")) },
        { QStringLiteral("TIME"), hhmm },
        { QStringLiteral("LINE"), QStringLiteral("-") },
        { QStringLiteral("NMBR"), number },
        { QStringLiteral("MESG"), QStringLiteral("NONE") },
        { QStringLiteral("NAME"), name },
    };
}

CidCall cidCallFromNcid(const NcidLine& line)
{
    CidCall call;
    const QString date = line.field(u"DATE").trimmed();
    call.Date = date.size() == 8 && allDigits(date) ? date.left(2) + u'/' + date.mid(2, 2) : QStringLiteral("NONE");
    const QString time = line.field(u"TIME").trimmed();
    call.Time = time.size() == 4 && allDigits(time) ? time.left(2) + u':' + time.mid(2) : QStringLiteral("NONE");
    if (call.Date != u"NONE" && call.Time != u"NONE") {
        // Month first as the protocol says; day first where that alone makes a date.
        const int year = QStringView(date).mid(4).toInt();
        QDate day(year, QStringView(date).left(2).toInt(), QStringView(date).mid(2, 2).toInt());
        if (!day.isValid())
            day = QDate(year, QStringView(date).mid(2, 2).toInt(), QStringView(date).left(2).toInt());
        const QTime at(QStringView(time).left(2).toInt(), QStringView(time).mid(2).toInt());
        if (day.isValid() && at.isValid())
            call.When = QDateTime(day, at);
    }
    call.Number = shownOrUnknown(line.field(u"NMBR"));
    call.Name = shownOrUnknown(line.field(u"NAME"));
    return call;
}

} // namespace Quillon
