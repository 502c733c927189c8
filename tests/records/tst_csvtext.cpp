// SPDX-License-Identifier: GPL-2.0-or-later
// Reading and writing comma-separated records, and reading text files.
#include "records/csvtext.h"

#include <QBuffer>
#include <QTest>

using namespace Quillon;
using namespace Qt::StringLiterals;

class TestCsvText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("records"); // fields joined with "|"
        QTest::addColumn<QString>("error"); // after the records read

        QTest::newRow("CR LF, LF and lone CR end records")
            << u"a,b\r\nc,d\ne,f\rg"_s << QStringList { u"a|b"_s, u"c|d"_s, u"e|f"_s, u"g"_s } << QString();
        QTest::newRow("empty fields and an empty line")
            << u",\n\n,x,\n"_s << QStringList { u"|"_s, u""_s, u"|x|"_s } << QString();
        QTest::newRow("quoted separators, quotes and line breaks kept as written")
            << u"\"a,b\",\"say \"\"hi\"\"\",\"1\r\n2\n3\r4\"\r\nnext"_s
            << QStringList { u"a,b|say \"hi\"|1\r\n2\n3\r4"_s, u"next"_s } << QString();
        QTest::newRow("a quote after a blank opens nothing")
            << u" a , \"b\""_s << QStringList {} << u"a quote inside an unquoted field on line 1"_s;
        QTest::newRow("empty quoted field at the end") << u"a,\"\""_s << QStringList { u"a|"_s } << QString();
        QTest::newRow("quote left open") << u"a\n\"b\nc"_s << QStringList { u"a"_s }
                                         << u"a quoted field opened on line 2 is never closed"_s;
        QTest::newRow("text after the closing quote")
            << u"\"a\nb\"c"_s << QStringList {} << u"text follows a closing quote on line 2"_s;
    }
    void read()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, records);
        QFETCH(QString, error);
        // Whole, and a file read in blocks that end anywhere in a record.
        for (const qsizetype block : { qsizetype(0), qsizetype(1), qsizetype(2), qsizetype(5) }) {
            QBuffer file;
            file.setData(text.toUtf8());
            QVERIFY(file.open(QIODevice::ReadOnly));
            TextSource source(file, block);
            CsvReader reader = block == 0 ? CsvReader(text) : CsvReader(source);
            QStringList read, fields;
            while (reader.next(fields))
                read << fields.join(u'|');
            QCOMPARE(read, records);
            QCOMPARE(reader.error(), error);
            QVERIFY(!reader.next(fields)); // an error ends the reading
        }
    }

    void writtenRecordsReadBack()
    {
        const QList<QStringList> records { { u"Name"_s, u"Number"_s },
                                           { u"O'BRIEN \"PAT\", JR"_s, u""_s },
                                           { u"a\r\nb"_s, u"\r"_s },
                                           { u"張偉 🙂"_s, u" x "_s },
                                           { u""_s } };
        QByteArray bytes;
        for (const QStringList& record : records)
            appendCsvRecord(bytes, record);
        QCOMPARE(bytes.left(14), QByteArray("Name,Number\r\n\""));
        CsvReader reader(decodeTextFile(bytes));
        QList<QStringList> read;
        QStringList fields;
        while (reader.next(fields))
            read << fields;
        QCOMPARE(read, records);
        QVERIFY(!reader.failed());
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("\xc3\x89t\xc3\xa9 \xe5\xbc\xb5") << u"Été 張"_s;
        QTest::newRow("byte-order mark dropped") << QByteArray("\xef\xbb\xbf") + 'a' << u"a"_s;
        QTest::newRow("one byte per character") << QByteArray("\xc9t\xe9") << u"Été"_s;
        QTest::newRow("a sequence cut off by the end") << QByteArray("a\xe5\xbc") << u"a\u00e5\u00bc"_s;
        QTest::newRow("mark, then not UTF-8") << QByteArray("\xef\xbb\xbf\xff") << u"ÿ"_s;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeTextFile(bytes), text);
        // The same a byte at a time: a character or the mark split over blocks.
        QBuffer file;
        file.setData(bytes);
        QVERIFY(file.open(QIODevice::ReadOnly));
        TextSource source(file, 1);
        QString read;
        while (source.read(read)) { }
        QCOMPARE(read, text);
        QVERIFY(source.error().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCsvText)
#include "tst_csvtext.moc"
