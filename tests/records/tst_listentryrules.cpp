// SPDX-License-Identifier: GPL-2.0-or-later
// What the Reject and Translate windows store for what was typed, and what
// an entry loaded for a change puts back into the boxes.
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
        // reject: number, name; translate: number, first, last; boxes: the stored number, name; split: a
        // listed name. Format 1 is xxx-xxx-xxxx, 2 is xx xxxx-xxxx. The result "number|name" ("last|first"
        // for split); "|" when nothing is stored.
        QTest::addColumn<QString>("rule");
        QTest::addColumn<int>("format");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("result");

        QTest::newRow("reject: digits laid out, name in capitals")
            << u"reject"_s << 1 << QStringList { u"(555) 123.4567"_s, u"o'brien"_s } << u"555-123-4567|O'BRIEN"_s;
        QTest::newRow("reject: the chosen layout")
            << u"reject"_s << 2 << QStringList { u"1234567890"_s, u"X"_s } << u"12 3456-7890|X"_s;
        QTest::newRow("reject: nothing trimmed, other numbers as typed")
            << u"reject"_s << 1 << QStringList { u" 555 "_s, u" ann "_s } << u" 555 | ANN "_s;
        QTest::newRow("reject: no number")
            << u"reject"_s << 1 << QStringList { QString(), u"acme"_s } << u"000-000-0000|ACME"_s;
        QTest::newRow("reject: no name") << u"reject"_s << 1 << QStringList { u"12345"_s, QString() } << u"12345|N/A"_s;
        QTest::newRow("reject: blanks are typed")
            << u"reject"_s << 1 << QStringList { QString(), u"  "_s } << u"000-000-0000|  "_s;
        QTest::newRow("reject: nothing typed") << u"reject"_s << 1 << QStringList { QString(), QString() } << u"|"_s;
        QTest::newRow("boxes: stand-ins shown empty")
            << u"boxes"_s << 1 << QStringList { u"000-000-0000"_s, u"N/A"_s } << u"|"_s;
        QTest::newRow("boxes: real values stay")
            << u"boxes"_s << 1 << QStringList { u"555"_s, u"N/A "_s } << u"555|N/A "_s;
        QTest::newRow("translate: trimmed, LAST FIRST in capitals, number laid out")
            << u"translate"_s << 1 << QStringList { u" 5551234567 "_s, u" ann "_s, u" wilson "_s }
            << u"555-123-4567|WILSON ANN"_s;
        QTest::newRow("translate: last name alone")
            << u"translate"_s << 1 << QStringList { u"555"_s, QString(), u"wilson"_s } << u"555|WILSON "_s;
        QTest::newRow("translate: first name alone")
            << u"translate"_s << 1 << QStringList { u"555"_s, u"ann"_s, QString() } << u"555| ANN"_s;
        QTest::newRow("translate: no number")
            << u"translate"_s << 1 << QStringList { u"  "_s, u"ann"_s, u"wilson"_s } << u"|"_s;
        QTest::newRow("translate: names of blanks")
            << u"translate"_s << 1 << QStringList { u"555"_s, u"  "_s, u" "_s } << u"|"_s;
        QTest::newRow("split: first word is the last name")
            << u"split"_s << 1 << QStringList { u"WILSON ANN MARIE"_s } << u"WILSON|ANN MARIE"_s;
        QTest::newRow("split: one word") << u"split"_s << 1 << QStringList { u"ACME"_s } << u"ACME|"_s;
        QTest::newRow("split: stored with no first name")
            << u"split"_s << 1 << QStringList { u"WILSON "_s } << u"WILSON|"_s;
    }

    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(int, format);
        QFETCH(QStringList, typed);
        QFETCH(QString, result);
        const auto code = static_cast<qint16>(format);
        ListEntry entry;
        if (rule == u"reject"_s)
            entry = rejectEntry(typed.value(0), typed.value(1), code);
        else if (rule == u"boxes"_s)
            entry = rejectEntryBoxes({ typed.value(0), typed.value(1) });
        else if (rule == u"translate"_s)
            entry = translateEntry(typed.value(0), typed.value(1), typed.value(2), code);
        if (rule == u"split"_s) {
            const PersonName name = splitListedName(typed.value(0));
            QCOMPARE(name.last + u'|' + name.first, result);
            return;
        }
        QCOMPARE(entry.number + u'|' + entry.name, result);
        QCOMPARE(entry.isEmpty(), result == u"|"_s);
    }
};

QTEST_GUILESS_MAIN(TestListEntryRules)
#include "tst_listentryrules.moc"
