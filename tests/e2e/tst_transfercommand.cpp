// SPDX-License-Identifier: GPL-2.0-or-later
// The real program's --export and --import on a CallerID.mdb in a temporary application directory: what reaches the
// tables, what the files hold, and what the program says and returns.
#include "support/appdir.h"
#include "support/programfiles.h"
#include "support/sqlfile.h"

#include <QProcess>
#include <QTest>

using namespace Quillon::Test;
using namespace Qt::StringLiterals;

namespace {

// Names that a CSV writer or reader could spoil.
const QStringList kHardNames { u"O'BRIEN \"PAT\", JR"_s,      u"two\r\nlines"_s, u"bare\nfeed"_s, u"ÉMILE Ünal"_s,
                               u"张伟 Иванов 🙂"_s, u" spaced "_s,     u""_s,           u"\"\""_s };

QStringList rowsOf(const SqlFile& db, const QString& table) // in rowid order
{
    return db.rows((table == u"CID"_s ? u"SELECT Name, Number, Date, Time, SysTime FROM CID"_s
                                      : u"SELECT Number, Name FROM "_s + table)
                   + u" ORDER BY rowid"_s);
}

QString tableOf(const QString& list)
{
    return list == u"calls"_s ? u"CID"_s : list == u"reject"_s ? u"Reject"_s : u"Translate"_s;
}

} // namespace

class TestTransferCommand : public QObject
{
    Q_OBJECT

    std::unique_ptr<AppDir> m_dir;
    QString m_program;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<AppDir>();
        QVERIFY(m_dir->createDatabase());
        // The program keeps its files beside itself, so it runs from a copy.
        m_program = m_dir->file(u"QuillonCID"_s);
        QVERIFY(QFile::copy(QStringLiteral(QUILLON_BINARY_DIR "/src/QuillonCID"), m_program));
    }

    void exportThenImportKeepsEveryCharacter_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("said"); // %1 the number of rows, %2 the file
        QTest::newRow("calls") << u"calls"_s << u"Exported %1 calls to %2\n"_s;
        QTest::newRow("reject") << u"reject"_s << u"Exported %1 entries of the reject list to %2\n"_s;
        QTest::newRow("translate") << u"translate"_s << u"Exported %1 entries of the translate list to %2\n"_s;
    }
    void exportThenImportKeepsEveryCharacter()
    {
        QFETCH(QString, list);
        QFETCH(QString, said);
        const QString table = tableOf(list);
        SqlFile db(m_dir->databasePath());
        for (int i = 0; i < kHardNames.size(); ++i) {
            const QString number = u"555-01%1,\"x\""_s.arg(i, 2, 10, QLatin1Char('0'));
            const QVariantList values = table == u"CID"_s
                ? QVariantList { kHardNames[i], number, u"06/12"_s, u"14:3%1"_s.arg((i + 1) % 10),
                                 u"2026-12-06 14:32:05"_s }
                : QVariantList { number, QString(kHardNames[i] + u'x') };
            QVERIFY(db.run(u"INSERT INTO %1 (%2) VALUES (?%3)"_s.arg(
                               table, table == u"CID"_s ? u"Name, Number, Date, Time, SysTime"_s : u"Number, Name"_s,
                               u", ?"_s.repeated(values.size() - 1)),
                           values));
        }
        if (table == u"CID"_s) { // a call twice, and the same minute a year before: three calls
            QVERIFY(db.run(u"INSERT INTO CID SELECT * FROM CID WHERE rowid = 1"_s));
            QVERIFY(db.run(u"INSERT INTO CID (Name, Number, Date, Time, SysTime)"
                           " SELECT Name, Number, Date, Time, '2025-12-06 14:32:05' FROM CID"
                           " WHERE rowid = 1"_s));
        }
        const QStringList stored = rowsOf(db, table);

        const QString file = m_dir->file(u"out.csv"_s);
        const ProgramRun exported = runProgram(m_program, { u"--export"_s, list, file });
        QCOMPARE(exported.err, QString());
        QCOMPARE(exported.status, 0);
        QCOMPARE(exported.out, said.arg(stored.size()).arg(file));
        QVERIFY(db.run(u"DELETE FROM "_s + table));
        // Twice adds nothing the second time.
        for (const qsizetype added : { stored.size(), qsizetype(0) }) {
            const ProgramRun imported = runProgram(m_program, { u"--import"_s, list, file });
            QCOMPARE(imported.err, QString());
            QCOMPARE(imported.status, 0);
            // The numbers are no telephone numbers: kept as they are, and counted.
            const QString summary
                = u": %1 added, %2 skipped, 0 refused%3\n"_s.arg(added)
                      .arg(stored.size() - added)
                      .arg(table == u"CID"_s ? QString() : u", 8 numbers left as typed (not in the number format)"_s);
            QVERIFY2(imported.out.endsWith(summary), qPrintable(imported.out));
            QCOMPARE(rowsOf(db, table), stored);
        }
        // The file written again is the same file.
        QCOMPARE(runProgram(m_program, { u"--export"_s, list, m_dir->file(u"again.csv"_s) }).status, 0);
        const QByteArray bytes = fileBytes(file);
        QCOMPARE(fileBytes(m_dir->file(u"again.csv"_s)), bytes);
        QVERIFY(
            bytes.startsWith(list == u"calls"_s ? "Name,Number,Date,Time,SysTime,Rejected\r\n" : "Number,Name\r\n"));
    }

    void import_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QByteArray>("file");
        // The end of standard output, a summary "N added, ..." (status 0), or of standard error (status 1).
        QTest::addColumn<QString>("said");
        QTest::addColumn<QStringList>("added"); // after the entry stored before
        const auto row = [](const char* tag, const char* list, const QByteArray& file, const char* said,
                            const QStringList& added = {}) {
            QTest::newRow(tag) << QString::fromLatin1(list) << file << QString::fromUtf8(said) << added;
        };
        const QByteArray calls = "Name,Number,Date,Time,SysTime\r\n";
        row("columns by name, any case and order, others ignored", "reject", " name ,Notes,NUMBER\nBOB,,555\n",
            "1 added, 0 skipped, 0 refused, 1 numbers left as typed (not in the number format)", { u"555|BOB"_s });
        row("stored and repeated entries skipped", "translate",
            "Number,Name\n212-555-0100,WILSON ANN\n2125550100,WILSON ANN\n1,A\n1,A\n1,B\n",
            "2 added, 3 skipped, 0 refused, 3 numbers left as typed (not in the number format)",
            { u"1|A"_s, u"1|B"_s });
        // As the windows store what is typed: numbers laid out when their digits fit, names in capitals.
        row("numbers as the windows store them", "reject",
            "Number,Name\n5559990000,ROBO\n(555) 444-3333,\n800-*,\n,*WIRELESS*\n", "4 added, 0 skipped, 0 refused",
            { u"555-999-0000|ROBO"_s, u"555-444-3333|N/A"_s, u"800-*|N/A"_s, u"000-000-0000|*WIRELESS*"_s });
        row("translate names from first and last name columns", "translate",
            "Last Name,Number,First Name\n smith , (555) 444-3333 , john \nX,555444333,\n",
            "2 added, 0 skipped, 0 refused, 1 numbers left as typed (not in the number format)",
            { u"555-444-3333|SMITH JOHN"_s, u"555444333|X "_s });
        row("calls the same by date, time and number", "calls",
            calls
                + "OTHER,555-123-4567,06/12,14:32,2026-12-07 00:00:00\nX,555-123-4567,06/12,14:33,2026-12-06 "
                  "14:33:00\n",
            "1 added, 1 skipped, 0 refused", { u"X|555-123-4567|06/12|14:33|2026-12-06 14:33:00"_s });
        row("the same minute of another year is another call", "calls",
            calls + "JOHN DOE,555-123-4567,06/12,14:32,2025-06-12 14:32:00\n", "1 added, 0 skipped, 0 refused",
            { u"JOHN DOE|555-123-4567|06/12|14:32|2025-06-12 14:32:00"_s });
        row("a call twice in the file is two calls, less those stored", "calls",
            calls
                + "JOHN DOE,555-123-4567,06/12,14:32,2026-06-12 14:32:00\nANN,5,01/02,03:04,2026-01-02 03:04:00\n"
                  "JOHN DOE,555-123-4567,06/12,14:32,2026-06-12 14:32:59\nANN,5,01/02,03:04,2026-01-02 03:04:00\n",
            "3 added, 1 skipped, 0 refused",
            { u"ANN|5|01/02|03:04|2026-01-02 03:04:00"_s, u"JOHN DOE|555-123-4567|06/12|14:32|2026-06-12 14:32:59"_s,
              u"ANN|5|01/02|03:04|2026-01-02 03:04:00"_s });
        row("empty entries refused, half-empty filled as the window does", "reject",
            "Number,Name\r\n,\r\n\r\n,SMITH\r\n777,\r\n",
            "2 added, 0 skipped, 1 refused, 1 numbers left as typed (not in the number format)",
            { u"000-000-0000|SMITH"_s, u"777|N/A"_s });
        row("translate needs number and name", "translate", "Number,Name\n555,\n,ANN\n",
            "0 added, 0 skipped, 2 refused");
        row("old one-byte file", "reject", "Number,Name\n555,J\xc9R\xd4ME\n",
            "1 added, 0 skipped, 0 refused, 1 numbers left as typed (not in the number format)", { u"555|JÉRÔME"_s });
        row("network call log", "calls",
            "200 Server: test 1.0\r\n210 API 1.0 Feature Set 1\r\n"
            "CIDLOG: *DATE*12062026*TIME*0815*LINE*-*NMBR*5551234567*MESG*NONE*NAME*JOHN DOE*\r\n"
            "250 End of call log\r\nMSG: hello\r\nCIDINFO: *LINE*-*RING*1*TIME*08:20:00*\r\n"
            "HUP: *NAME*-*NMBR*-*DATE*31122026*TIME*2359*\r\n"
            "CID: *DATE*12062026*TIME*0816*NMBR*5551234567*NAME*JOHN DOE*\r\n",
            "2 added, 1 skipped, 0 refused",
            { u"UNKNOWN|UNKNOWN|31/12|23:59|2026-12-31 23:59:00"_s,
              u"JOHN DOE|555-123-4567|12/06|08:16|2026-12-06 08:16:00"_s });
        row("statement text stays text", "reject", "Number,Name\n\"1'); DROP TABLE Reject; --\",X\n",
            "1 added, 0 skipped, 0 refused, 1 numbers left as typed (not in the number format)",
            { u"1'); DROP TABLE Reject; --|X"_s });

        // A bad row anywhere imports nothing and is named.
        row("field count", "reject", "Number,Name\n1,A\n2,B\n3,C,x\n", "row 4: 3 fields where the header has 2");
        row("row after a line break in a name", "reject", "Number,Name\n1,\"A\nB\"\n2,\"x\"y\n",
            "row 3 (line 4): text follows a closing quote on line 4");
        row("no header", "reject", "555,SMITH\n", "the header row has no Number column (it needs Number, Name)");
        row("empty file", "translate", "", "the file is empty; a header row naming the columns is needed");
        row("bad SysTime", "calls", calls + "A,1,06/12,14:32,2026-02-30 10:00:00\n",
            "row 2: SysTime \"2026-02-30 10:00:00\" is not a time as YYYY-MM-DD HH:MM:SS");
        row("bad call log date", "calls", "CID: *DATE*13132026*TIME*0815*NMBR*1*\n",
            "line 1: DATE \"13132026\" is no day of the calendar");
    }
    void import()
    {
        QFETCH(QString, list);
        QFETCH(QByteArray, file);
        QFETCH(QString, said);
        const int status = said.contains(u" added, "_s) ? 0 : 1;
        QFETCH(QStringList, added);
        const QString table = tableOf(list);
        SqlFile db(m_dir->databasePath());
        m_dir->writeIni(u"[Settings]\r\nFormat=1\r\n"_s);
        QVERIFY(table == u"CID"_s ? db.run(u"INSERT INTO CID (Name, Number, Date, Time, SysTime) VALUES ('JOHN DOE', "
                                           u"'555-123-4567', '06/12', '14:32',"
                                           " '2026-12-06 14:32:05'), ('JOHN DOE', '555-123-4567', '12/06', '08:15',"
                                           " '2026-12-06 08:15:00')"_s)
                                  : db.run(u"INSERT INTO %1 VALUES ('212-555-0100', 'WILSON ANN')"_s.arg(table)));
        const QStringList stored = rowsOf(db, table);
        QVERIFY(writeFile(m_dir->file(u"in.csv"_s), file));

        const ProgramRun result = runProgram(m_program, { u"--import"_s, list, m_dir->file(u"in.csv"_s) });
        QCOMPARE(result.status, status);
        const QString text = status == 0 ? result.out : result.err;
        QVERIFY2(text.endsWith(said + u'\n') && text.count(u'\n') == 1, qPrintable(text));
        QCOMPARE(status == 0 ? result.err : result.out, QString());
        QCOMPARE(rowsOf(db, table), stored + added);
    }

    void refusedCommandsChangeNothing_data()
    {
        QTest::addColumn<QString>("database"); // "missing", "damaged" or as made
        QTest::addColumn<QString>("arguments"); // "<dir>" stands for the application directory
        QTest::addColumn<QString>("said");
        const QString usage = u"QuillonCID: usage: QuillonCID --export calls|reject|translate FILE or QuillonCID"
                              " --import calls|reject|translate FILE\n"_s;
        QTest::newRow("unknown list") << QString() << u"--export phonebook x.csv"_s << usage;
        QTest::newRow("no file") << QString() << u"--import reject"_s << usage;
        QTest::newRow("missing file") << QString() << u"--import reject /nonexistent/in.csv"_s
                                      << u"QuillonCID: nothing imported from /nonexistent/in.csv: cannot read"
                                         " /nonexistent/in.csv: No such file or directory\n"_s;
        QTest::newRow("unwritable folder") << QString() << u"--export calls /nonexistent/out.csv"_s
                                           << u"QuillonCID: nothing exported: cannot write /nonexistent/out.csv"_s;
        QTest::newRow("missing database is never created")
            << u"missing"_s << u"--export reject <dir>/out.csv"_s
            << u"QuillonCID: there is no database at <dir>/CallerID.mdb\n"_s;
        QTest::newRow("damaged database takes no import")
            << u"damaged"_s << u"--import reject <dir>/in.csv"_s
            << u"QuillonCID: nothing imported: CallerID.mdb is damaged ("_s;
    }
    void refusedCommandsChangeNothing()
    {
        QFETCH(QString, database);
        QFETCH(QString, arguments);
        QFETCH(QString, said);
        said.replace(u"<dir>"_s, m_dir->path());
        QVERIFY(writeFile(m_dir->file(u"in.csv"_s), "Number,Name\n1,A\n"));
        if (database == u"missing"_s) {
            QVERIFY(QFile::remove(m_dir->databasePath()));
            // Its settings file keeps the copy portable: files beside itself.
            QVERIFY(writeFile(m_dir->iniPath()));
        } else if (database == u"damaged"_s) {
            // A stored entry, then its table's page overwritten.
            QVERIFY(SqlFile(m_dir->databasePath()).run(u"INSERT INTO Reject VALUES ('0', 'FIRST')"_s));
            QVERIFY(spoilPage(m_dir->databasePath(), u"Reject"_s, QByteArray(4096, '\xff')));
        }
        const QByteArray before = fileBytes(m_dir->databasePath());

        const ProgramRun result
            = runProgram(m_program, arguments.split(u' ').replaceInStrings(u"<dir>"_s, m_dir->path()));
        QCOMPARE(result.status, 1);
        QVERIFY2(result.err.startsWith(said) && result.err.count(u'\n') == 1, qPrintable(result.err));
        QCOMPARE(result.out, QString());
        QCOMPARE(fileBytes(m_dir->databasePath()), before);
        QCOMPARE(QFile::exists(m_dir->databasePath()), database != u"missing"_s);
        QVERIFY(!QFile::exists(m_dir->file(u"out.csv"_s)));
    }

    void importWaitsForAnotherWriter()
    {
        QVERIFY(writeFile(m_dir->file(u"in.csv"_s), "Number,Name\n1,A\n"));
        SqlFile holder(m_dir->databasePath());
        QVERIFY(holder.run(u"BEGIN EXCLUSIVE"_s));
        QVERIFY(holder.run(u"INSERT INTO Reject VALUES ('0', 'FIRST')"_s));
        QProcess process;
        process.start(m_program, { u"--import"_s, u"reject"_s, m_dir->file(u"in.csv"_s) });
        // Still waiting for the lock rather than failing at once.
        QVERIFY(!process.waitForFinished(1500));
        QVERIFY(holder.run(u"COMMIT"_s));
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.readAllStandardError(), QByteArray());
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(rowsOf(holder, u"Reject"_s), QStringList({ u"0|FIRST"_s, u"1|A"_s }));
    }
};

QTEST_GUILESS_MAIN(TestTransferCommand)
#include "tst_transfercommand.moc"
