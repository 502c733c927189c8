// SPDX-License-Identifier: GPL-2.0-or-later
// What the Reject and Translate windows store for what was typed, and what a loaded entry puts back in the boxes.
#include "records/listentryrules.h"

#include <QTest>

using namespace Quillon;
using namespace Qt::StringLiterals;

class TestListEntryRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rules_data()
    {
        // The rule is the tag's first word. typed, '|' between boxes: reject number|name; translate
        // number|first|last; boxes: the stored number|name; split: a listed name. Format 1 is xxx-xxx-xxxx, 2 is
        // xx xxxx-xxxx. The result "number|name" ("last|first" for split); "|" when nothing is stored.
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("result");
        const auto row = [](const char* tag, int format, const char* typed, const char* result) {
            QTest::newRow(tag) << format << QString::fromUtf8(typed) << QString::fromUtf8(result);
        };
        row("reject: digits laid out, name in capitals", 1, "(555) 123.4567|o'brien", "555-123-4567|O'BRIEN");
        row("reject: the chosen layout", 2, "1234567890|X", "12 3456-7890|X");
        row("reject: nothing trimmed, other numbers as typed", 1, " 555 | ann ", " 555 | ANN ");
        row("reject: no number", 1, "|acme", "000-000-0000|ACME");
        row("reject: no name", 1, "12345|", "12345|N/A");
        row("reject: blanks are typed", 1, "|  ", "000-000-0000|  ");
        row("reject: nothing typed", 1, "|", "|");
        row("boxes: stand-ins shown empty", 1, "000-000-0000|N/A", "|");
        row("boxes: real values stay", 1, "555|N/A ", "555|N/A ");
        row("translate: trimmed, LAST FIRST in capitals, number laid out", 1, " 5551234567 | ann | wilson ",
            "555-123-4567|WILSON ANN");
        row("translate: last name alone", 1, "555||wilson", "555|WILSON ");
        row("translate: first name alone", 1, "555|ann|", "555| ANN");
        row("translate: no number", 1, "  |ann|wilson", "|");
        row("translate: names of blanks", 1, "555|  | ", "|");
        row("split: first word is the last name", 1, "WILSON ANN MARIE", "WILSON|ANN MARIE");
        row("split: one word", 1, "ACME", "ACME|");
        row("split: stored with no first name", 1, "WILSON ", "WILSON|");
        // A listed number when the layout changes: the number then what became of it.
        row("relayout: digits fit", 2, "555-123-4567", "55 5123-4567|rewritten");
        row("relayout: already in it", 1, "555-123-4567", "555-123-4567|unchanged");
        row("relayout: too few digits", 3, "555-123-4567", "555-123-4567|left");
        row("relayout: a pattern", 2, "800-*", "800-*|left");
        row("relayout: a short number, left alone by the layout", 1, "12345", "12345|left");
        row("relayout: the stand-in", 2, "000-000-0000", "000-000-0000|not a number");
        row("relayout: a special value", 2, "ID BLOCKED", "ID BLOCKED|not a number");
    }

    void rejectMatch_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        const auto row = [](const char* entry, const char* text, bool matches) {
            QTest::addRow("%s ~ %s", entry, text) << QString::fromUtf8(entry) << QString::fromUtf8(text) << matches;
        };
        row("555-123-4567", "555-123-4567", true); // exact, as before
        row("555-123-4567", "555-123-45678", false);
        row("john doe", "JOHN DOE", false); // letter case counts
        row("800-*", "800-555-0000", true); // at the end
        row("800-*", "1-800-555-0000", false); // the whole text
        row("800-*", "800-", true); // a run of none
        row("*-0000", "555-123-0000", true); // at the start
        row("*-0000", "555-123-00001", false);
        row("555-*-0000", "555-123-0000", true); // in the middle
        row("*WIRELESS*", "WIRELESS CALLER", true);
        row("*WIRELESS*", "V WIRELESS", true);
        row("*WIRELESS*", "WIRELES", false);
        row("555-01?-0000", "555-019-0000", true);
        row("555-01?-0000", "555-01-0000", false); // exactly one
        row("555-01?-0000", "555-0199-0000", false);
        row("V?*", "V12345", true); // both
        row("V?*", "V", false);
        row("*1*2*3", "x1y2z3", true); // a later '*' takes over
        row("*1*2*3", "x1y2z3x", false);
        row("*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false); // no runaway back-tracking needed
        row("*", "", true); // only '*': every text
        row("*", "ID BLOCKED", true);
        row("?", "", false);
        row("", "", true);
        row("UNKNOWN", "UNKNOWN", true); // special values, exact
        row("UNK*", "UNKNOWN", true);
    }

    void rejectMatch()
    {
        QFETCH(QString, entry);
        QFETCH(QString, text);
        QFETCH(bool, matches);
        QCOMPARE(rejectEntryMatches(entry, text), matches);
        QCOMPARE(isRejectPattern(entry), entry.contains(u'*') || entry.contains(u'?'));
    }

    void rules()
    {
        QFETCH(int, format);
        QFETCH(QString, typed);
        QFETCH(QString, result);
        const QString rule = QString::fromLatin1(QTest::currentDataTag()).section(u':', 0, 0);
        const QStringList boxes = typed.split(u'|');
        if (rule == u"relayout"_s) {
            QString laidOut;
            const Relayout kind = relayoutNumber(typed, qint16(format), &laidOut);
            const char* const kinds[] = { "not a number", "unchanged", "rewritten", "left" };
            QCOMPARE(laidOut + u'|' + QLatin1String(kinds[int(kind)]), result);
            return;
        }
        if (rule == u"split"_s) {
            const PersonName name = splitListedName(typed);
            QCOMPARE(name.last + u'|' + name.first, result);
            return;
        }
        const ListEntry entry = rule == u"reject"_s ? rejectEntry(boxes.value(0), boxes.value(1), qint16(format))
            : rule == u"boxes"_s                    ? rejectEntryBoxes({ boxes.value(0), boxes.value(1) })
                                 : translateEntry(boxes.value(0), boxes.value(1), boxes.value(2), qint16(format));
        QCOMPARE(entry.number + u'|' + entry.name, result);
        QCOMPARE(entry.isEmpty(), result == u"|"_s);
    }
};

QTEST_GUILESS_MAIN(TestListEntryRules)
#include "tst_listentryrules.moc"
