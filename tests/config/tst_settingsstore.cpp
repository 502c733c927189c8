// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/settingsstore.h"
#include "records/activitylog.h"
#include "support/appdir.h"
#include "support/fakeclock.h"

#include <QFile>
#include <QTest>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

namespace {

// write null: expected is the value read; otherwise the whole file once written.
void row(const char* tag, const char* before, const char* key, const char* write, const char* expected)
{
    QTest::newRow(tag) << QString::fromLatin1(before) << QString::fromLatin1(key)
                       << (write ? QString::fromLatin1(write) : QString()) << QString::fromLatin1(expected);
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ini_data();
    void ini();
    void load_data();
    void load();
};

void TestSettingsStore::ini_data()
{
    QTest::addColumn<QString>("before"); // empty: no file
    QTest::addColumn<QString>("key"); // Section/Key
    QTest::addColumn<QString>("write");
    QTest::addColumn<QString>("expected");

    const char* plain = "[Comm]\nBaud=28800\n[Modem]\nModemStrng=AT*ID1\n";
    row("plain", plain, "Comm/Baud", nullptr, "28800");
    row("key in another section", plain, "Modem/Baud", nullptr, "<default>");
    row("names in any case", "[comm]\nbaud=57600\n", "COMM/Baud", nullptr, "57600");
    row("present empty value", "[Modem]\nModemStrng=\n", "Modem/ModemStrng", nullptr, "");
    row("blanks around", " [ Comm ] \r\n  Baud =  14400  \r\n", "Comm/Baud", nullptr, "14400");
    row("CRLF", "[Comm]\r\nBaud=28800\r\nParity=E\r\n", "Comm/Parity", nullptr, "E");
    row("value holding =", "[Modem]\nModemStrng=AT#CID=1\n", "Modem/ModemStrng", nullptr, "AT#CID=1");
    row("no prefix match, comment", "[Comm]\nBaudRate=1\n;Baud=2\n", "Comm/Baud", nullptr, "<default>");
    QTest::newRow("cut to 254") << u"[Comm]\nBaud="_s + QString(300, u'x') << u"Comm/Baud"_s << QString()
                                << QString(254, u'x');
    row("replace keeps other lines", "; mine\r\n[Comm]\r\nBaud=14400\r\nOdd line\r\n\r\n[Ports]\r\nComm1=/dev/x\r\n",
        "Comm/Baud", "57600", "; mine\r\n[Comm]\r\nBaud=57600\r\nOdd line\r\n\r\n[Ports]\r\nComm1=/dev/x\r\n");
    row("replace keeps the spelling", "[comm]\nbaud = 14400\n", "Comm/Baud", "28800", "[comm]\nbaud =28800\n");
    row("new key at the end of its section", "[Comm]\nBaud=14400\n\n[Modem]\nModemStrng=AT*ID1\n", "Comm/Parity", "N",
        "[Comm]\nBaud=14400\nParity=N\n\n[Modem]\nModemStrng=AT*ID1\n");
    row("new section, CRLF", "[Comm]\r\nBaud=14400", "Modem/ModemStrng", "ATZ",
        "[Comm]\r\nBaud=14400\r\n[Modem]\r\nModemStrng=ATZ\r\n");
    row("new section, LF", "[Comm]\nBaud=14400\n", "Settings/Format", "8",
        "[Comm]\nBaud=14400\n[Settings]\nFormat=8\n");
    row("new file, line breaks as blanks", "", "Modem/ModemStrng", "AT\r\nX\nY\r",
        "[Modem]\r\nModemStrng=AT  X Y \r\n");
}

void TestSettingsStore::ini()
{
    QFETCH(QString, before);
    QFETCH(QString, key);
    QFETCH(QString, write);
    QFETCH(QString, expected);
    AppDir dir;
    if (!before.isEmpty())
        dir.writeIni(before);
    const QString section = key.section(u'/', 0, 0);
    key = key.section(u'/', 1);
    if (write.isNull())
        QCOMPARE(GetIniValue(dir.iniPath(), section, key, u"<default>"_s), expected);
    else
        QVERIFY(SetIniValue(dir.iniPath(), section, key, write));
    QCOMPARE(dir.readFile(u"QuillonCID.ini"_s), write.isNull() ? before : expected);
    QVERIFY(!SetIniValue(dir.file(u"no/dir/QuillonCID.ini"_s), section, key, u"1"_s));
}

void TestSettingsStore::load_data()
{
    QTest::addColumn<QString>("ini"); // empty: no file
    QTest::addColumn<QString>("comm");
    QTest::addColumn<QString>("shell"); // Cnfg EnableLog Notify Reject RingIn ExitDelay Format NmbrLngth
    QTest::addColumn<QString>("saved"); // the file once the comm settings are saved

    QTest::newRow("missing") << QString() << u"1|14400|8|1|N|AT#CID=1"_s << u"0 0 1 1 1 1 1 10"_s
                             << u"[Comm]\r\nComPort=1\r\nBaud=14400\r\nParity=N\r\nDataBit=8\r\nStopBit=1\r\n"
                                "[Modem]\r\nModemStrng=AT#CID=1\r\n"_s;
    const QString cased = u"[COMM]\nComPort=4\nBaud=28800\nDataBit=7\nStopBit=2\nParity=E\nCnfg=True\n[modem]\n"
                          "modemstrng=AT+VCID=1\n[Settings]\nEnableLog=true\nNotify=FALSE\nReject=0\nRingIn=garbage\n"
                          "Format=8\nNmbrLngth=32768\nExitDelay=False\n"_s;
    QTest::newRow("letter case") << cased << u"4|28800|7|2|E|AT+VCID=1"_s << u"1 1 0 0 1 0 8 10"_s << cased;
    const QString numbers = u"[Comm]\nComPort=x\nCnfg=-1\n[Settings]\nEnableLog=yes\nNotify=0\nReject=11\nRingIn=\n"
                            "Format=1.5\nNmbrLngth= -32768 \nExitDelay=TRUE\n"_s;
    QTest::newRow("numbers and garbage") << numbers << u"1|14400|8|1|N|AT#CID=1"_s << u"1 0 0 1 1 1 1 -32768"_s
                                         << QString(numbers)
                                                .replace(u"ComPort=x\n"_s, u"ComPort=1\n"_s)
                                                .replace(u"Cnfg=-1\n"_s,
                                                         u"Cnfg=-1\nBaud=14400\nParity=N\nDataBit=8\nStopBit=1\n"_s)
            + u"[Modem]\nModemStrng=AT#CID=1\n"_s;
}

void TestSettingsStore::load()
{
    QFETCH(QString, ini);
    QFETCH(QString, comm);
    QFETCH(QString, shell);
    QFETCH(QString, saved);
    AppDir dir;
    if (!ini.isEmpty())
        dir.writeIni(ini);
    WorkingSettings s;
    s.EnableLog = true; // every value is replaced, by the default when absent
    s.Notify = false;
    FakeClock clock;
    ActivityLog log(dir.path(), s, clock);
    const CommSettings c = LoadCommSettings(dir.iniPath(), log);
    QCOMPARE(
        QStringList({ QString::number(c.ComPort), c.Baud, c.DataBit, c.StopBit, c.Parity, c.ModemStrng }).join(u'|'),
        comm);
    QCOMPARE(dir.logMessages(),
             QStringList({ u"Comm Port = "_s + comm.section(u'|', 0, 0), u"Baud = "_s + comm.section(u'|', 1, 1) }));
    loadShellSettings(dir.iniPath(), s);
    const QList<int> values { s.Cnfg, s.EnableLog, s.Notify, s.Reject, s.RingIn, s.ExitDelay, s.Format, s.NmbrLngth };
    QStringList texts;
    for (int value : values)
        texts.append(QString::number(value));
    QCOMPARE(texts.join(u' '), shell);
    QCOMPARE(QFile::exists(dir.iniPath()), !ini.isEmpty());
    SaveCommSettings(dir.iniPath(), c);
    QCOMPARE(dir.readFile(u"QuillonCID.ini"_s), saved);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
