// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/blockingsettings.h"
#include "config/networksettings.h"
#include "config/portmap.h"
#include "config/settingsstore.h"
#include "records/activitylog.h"
#include "support/appdir.h"
#include "support/fakeclock.h"

#include <QFile>
#include <QTest>

using namespace Quillon;
using namespace Quillon::Test;
using namespace Qt::StringLiterals;

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ini_data();
    void ini();
    void load_data();
    void load();
    void portDevices();
    void blocking_data();
    void blocking();
};

void TestSettingsStore::ini_data()
{
    QTest::addColumn<QString>("before"); // empty: no file
    QTest::addColumn<QString>("key"); // Section/Key
    QTest::addColumn<QString>("write");
    QTest::addColumn<QString>("expected"); // write null: the value read; otherwise the whole file once written
    const auto row = [](const char* tag, const char* before, const char* key, const char* write, const char* expected) {
        QTest::newRow(tag) << QString::fromLatin1(before) << QString::fromLatin1(key)
                           << (write ? QString::fromLatin1(write) : QString()) << QString::fromLatin1(expected);
    };

    row("key in another section", "[Comm]\nBaud=1\n[Modem]\n", "Modem/Baud", nullptr, "<default>");
    row("present empty value", "[Modem]\nModemStrng=\n", "Modem/ModemStrng", nullptr, "");
    row("blanks around", " [ Comm ] \r\n  Baud =  14400  \r\n", "Comm/Baud", nullptr, "14400");
    row("value holding =", "[Modem]\nModemStrng=AT#CID=1\n", "Modem/ModemStrng", nullptr, "AT#CID=1");
    row("no prefix match, comment", "[Comm]\nBaudRate=1\n;Baud=2\n", "Comm/Baud", nullptr, "<default>");
    QTest::newRow("cut to 254") << u"[Comm]\nBaud="_s + QString(300, u'x') << u"Comm/Baud"_s << QString()
                                << QString(254, u'x');
    row("replace keeps other lines", "; mine\r\n[Comm]\r\nBaud=14400\r\nOdd line\r\n\r\n[Ports]\r\nComm1=/dev/x\r\n",
        "Comm/Baud", "57600", "; mine\r\n[Comm]\r\nBaud=57600\r\nOdd line\r\n\r\n[Ports]\r\nComm1=/dev/x\r\n");
    row("new section, CRLF", "[Comm]\r\nBaud=1", "Modem/X", "ATZ", "[Comm]\r\nBaud=1\r\n[Modem]\r\nX=ATZ\r\n");
    row("new file, line breaks as blanks", "", "Modem/X", "AT\r\nX\nY\r", "[Modem]\r\nX=AT  X Y \r\n");
    row("byte-order mark skipped", "\xEF\xBB\xBF[Comm]\r\nBaud=9600\r\n", "Comm/Baud", nullptr, "9600");
    row("byte-order mark kept, no second section", "\xEF\xBB\xBF[Comm]\r\nBaud=9600\r\n", "Comm/Baud", "57600",
        "\xEF\xBB\xBF[Comm]\r\nBaud=57600\r\n");
    row("quoted", "[Modem]\nModemStrng= \"AT#CID=1\" \n", "Modem/ModemStrng", nullptr, "AT#CID=1");
    row("quotes not a pair", "[Modem]\nA=\"AT\n", "Modem/A", nullptr, "\"AT");
    row("Latin-1 file", "[Names]\nA=M\xFCller\n", "Names/A", nullptr, "M\xFCller");
    QTest::newRow("UTF-8 file") << u"[Names]\nA=M\u00c3\u00bcller\n"_s << u"Names/A"_s << QString() << u"M\u00fcller"_s;
    // Bytes as Latin-1 characters: one encoding in the file after a write.
    QTest::newRow("written as UTF-8") << u"[Names]\nA=M\u00fcller\n"_s << u"Names/B"_s << u"\u0141UKASZ"_s
                                      << u"[Names]\nA=M\u00c3\u00bcller\nB=\u00c5\u0081UKASZ\n"_s;
}

void TestSettingsStore::ini()
{
    QFETCH(QString, before);
    QFETCH(QString, key);
    QFETCH(QString, write);
    QFETCH(QString, expected);
    AppDir dir;
    dir.writeIni(before);
    const QString section = key.section(u'/', 0, 0);
    key = key.section(u'/', 1);
    if (write.isNull())
        QCOMPARE(GetIniValue(dir.iniPath(), section, key, u"<default>"_s), expected);
    else
        QVERIFY(SetIniValue(dir.iniPath(), section, key, write));
    QCOMPARE(dir.readFile(u"QuillonCID.ini"_s), write.isNull() ? before : expected);
}

void TestSettingsStore::load_data()
{
    QTest::addColumn<QString>("ini"); // empty: no file
    // The comm settings, then Cnfg EnableLog Notify Reject RingIn ExitDelay Format NmbrLngth, then Share SharePort
    // ShareAllHosts ShareLog Receive ServerHost ServerPort.
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<QString>("saved"); // the file once the comm settings are saved; empty: unchanged

    const auto row = [](const char* tag, const char* ini, const char* loaded, const char* saved) {
        QTest::newRow(tag) << QString::fromLatin1(ini) << QString::fromLatin1(loaded)
                           << QString::fromLatin1(*saved ? saved : ini);
    };
    row("missing", "", "1|14400|8|1|N|AT#CID=1 0 0 1 1 1 1 1 10 0 3333 0 100 0 localhost 3333",
        "[Comm]\r\nComPort=1\r\nBaud=14400\r\nParity=N\r\nDataBit=8\r\nStopBit=1\r\n"
        "[Modem]\r\nModemStrng=AT#CID=1\r\n");
    row("letter case, CRLF",
        "[COMM]\r\nComPort=4\r\nBaud=28800\r\nDataBit=7\r\nStopBit=2\r\nParity=E\r\nCnfg=True\r\n[modem]\r\n"
        "modemstrng=AT+VCID=1\r\n[Settings]\r\nEnableLog=true\r\nNotify=FALSE\r\nReject=0\r\nRingIn=garbage\r\n"
        "Format=8\r\nNmbrLngth=32768\r\nExitDelay=False\r\n[network]\r\nshare=TRUE\r\nSharePort=4000\r\n"
        "ShareAllHosts=1\r\nShareLog=0\r\nReceive=true\r\nServerHost= cid.home \r\nServerPort=65535\r\n",
        "4|28800|7|2|E|AT+VCID=1 1 1 0 0 1 0 8 10 1 4000 1 0 1 cid.home 65535", "");
    row("numbers and garbage; new keys and section at the ends",
        "[Comm]\nComPort=x\nCnfg=-1\n[Settings]\nEnableLog=yes\nNotify=0\nReject=11\nRingIn=\nFormat=1.5\n"
        "NmbrLngth= -32768 \nExitDelay=TRUE\n[Network]\nShare=yes\nSharePort=0\nShareLog=-1\nServerHost=  \n"
        "ServerPort=65536\n",
        "1|14400|8|1|N|AT#CID=1 1 0 0 1 1 1 1 10 0 3333 0 100 0 localhost 3333",
        "[Comm]\nComPort=1\nCnfg=-1\nBaud=14400\nParity=N\nDataBit=8\nStopBit=1\n[Settings]\nEnableLog=yes\nNotify=0\n"
        "Reject=11\nRingIn=\nFormat=1.5\nNmbrLngth= -32768 \nExitDelay=TRUE\n[Network]\nShare=yes\nSharePort=0\n"
        "ShareLog=-1\nServerHost=  \nServerPort=65536\n[Modem]\nModemStrng=AT#CID=1\n");
    row("quoted command, length 0", "[Modem]\nModemStrng=\"AT#CID=1\"\n[Settings]\nNmbrLngth=0\n",
        "1|14400|8|1|N|AT#CID=1 0 0 1 1 1 1 1 10 0 3333 0 100 0 localhost 3333",
        "[Modem]\nModemStrng=AT#CID=1\n[Settings]\nNmbrLngth=0\n[Comm]\nComPort=1\nBaud=14400\nParity=N\nDataBit=8\n"
        "StopBit=1\n");
    row("length 254", "[Settings]\nNmbrLngth=254\n",
        "1|14400|8|1|N|AT#CID=1 0 0 1 1 1 1 1 254 0 3333 0 100 0 localhost 3333",
        "[Settings]\nNmbrLngth=254\n[Comm]\nComPort=1\nBaud=14400\nParity=N\nDataBit=8\nStopBit=1\n[Modem]\n"
        "ModemStrng=AT#CID=1\n");
}

void TestSettingsStore::load()
{
    QFETCH(QString, ini);
    QFETCH(QString, loaded);
    QFETCH(QString, saved);
    AppDir dir;
    dir.writeIni(ini);
    WorkingSettings s;
    s.EnableLog = true; // every value is replaced, by the default when absent
    FakeClock clock;
    ActivityLog log(dir.path(), s, clock);
    const CommSettings c = LoadCommSettings(dir.iniPath());
    log.logCommSettings(c);
    loadShellSettings(dir.iniPath(), s);
    NetworkSettings n = LoadNetworkSettings(dir.iniPath());
    QString text
        = QStringList({ QString::number(c.ComPort), c.Baud, c.DataBit, c.StopBit, c.Parity, c.ModemStrng }).join(u'|');
    for (int value :
         { int(s.Cnfg), int(s.EnableLog), int(s.Notify), int(s.Reject), int(s.RingIn), int(s.ExitDelay), int(s.Format),
           int(s.NmbrLngth), int(n.Share), int(n.SharePort), int(n.ShareAllHosts), int(n.ShareLog), int(n.Receive) })
        text += u' ' + QString::number(value);
    QCOMPARE(text + u' ' + n.ServerHost + u' ' + QString::number(n.ServerPort), loaded);
    QCOMPARE(dir.logMessages(), QStringList({ u"Comm Port = "_s + QString::number(c.ComPort), u"Baud = "_s + c.Baud }));
    QCOMPARE(QFile::exists(dir.iniPath()), !ini.isEmpty());
    SaveCommSettings(dir.iniPath(), c);
    QCOMPARE(dir.readFile(u"QuillonCID.ini"_s), saved);
    // The network settings saved in full and read back the same, whatever was there.
    n.ServerHost = u"192.0.2.7"_s;
    QVERIFY(SaveNetworkSettings(dir.iniPath(), n) && LoadNetworkSettings(dir.iniPath()) == n);
    QVERIFY(dir.readFile(u"QuillonCID.ini"_s).contains(u"Receive="_s + boolText(n.Receive)));
}

void TestSettingsStore::portDevices()
{
    AppDir dir;
    dir.writeIni(u"[ports]\r\nComm3=/tmp/modem\r\ncomm4=\r\nComm7=/dev/ttyS9\r\n"_s);
    const QStringList expected { {}, u"/dev/ttyS0"_s,   u"/dev/ttyS1"_s,   u"/tmp/modem"_s,
                                 {}, u"/dev/ttyACM0"_s, u"/dev/ttyUSB0"_s, {} };
    for (int port = 0; port <= 7; ++port)
        QCOMPARE(commPortDevice(dir.iniPath(), port), expected.at(port));
}

void TestSettingsStore::blocking_data()
{
    // The [Blocking] lines; the span of quiet hours, with each time of day "in" or "out" of it.
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("loaded"); // Hidden AllowListOnly QuietHours HangUpFax
    QTest::addColumn<QString>("times");
    QTest::newRow("missing") << QString() << u"0 0 [] 0"_s << u"00:00 out, 12:00 out"_s;
    QTest::newRow("across midnight")
        << u"[blocking]\nhidden=TRUE\nAllowListOnly=False\nQuietHours= 22:00-07:00 \nHangUp=fax\n"_s
        << u"1 0 [22:00-07:00] 1"_s << u"21:59 out, 22:00 in, 23:59 in, 00:00 in, 06:59 in, 07:00 out, 12:00 out"_s;
    QTest::newRow("within a day, blanks, one-digit hour")
        << u"[Blocking]\nAllowListOnly=1\nQuietHours=9:30 - 12:00\nHangUp=Answer\n"_s << u"0 1 [9:30 - 12:00] 0"_s
        << u"09:29 out, 09:30 in, 11:59 in, 12:00 out"_s;
    QTest::newRow("empty span") << u"[Blocking]\nQuietHours=08:00-08:00\n"_s << u"0 0 [08:00-08:00] 0"_s
                                << u"07:59 out, 08:00 out, 08:01 out"_s;
    // Kept as typed for the window to show, but blocking nothing.
    for (const char* bad : { "22:00", "22:00-25:00", "10pm-7am", "22:00-07:00-08:00", "22.00-07.00" })
        QTest::addRow("unreadable %s", bad) << u"[Blocking]\nQuietHours=%1\nHangUp=Modem\n"_s.arg(QLatin1String(bad))
                                            << u"0 0 [%1] 0"_s.arg(QLatin1String(bad)) << u"23:00 out, 03:00 out"_s;
}

void TestSettingsStore::blocking()
{
    QFETCH(QString, ini);
    QFETCH(QString, loaded);
    QFETCH(QString, times);
    AppDir dir;
    dir.writeIni(ini);
    const auto shown = [](const WorkingSettings& w) {
        return u"%1 %2 [%3] %4"_s.arg(int(w.Hidden)).arg(int(w.AllowListOnly)).arg(w.QuietHours).arg(int(w.HangUpFax));
    };
    WorkingSettings s;
    s.Hidden = s.AllowListOnly = s.HangUpFax = true; // every value is replaced
    s.QuietHours = u"x"_s;
    loadShellSettings(dir.iniPath(), s);
    QCOMPARE(shown(s), loaded);
    for (const QString& check : times.split(u", "_s)) {
        const QTime now = QTime::fromString(check.left(5), u"HH:mm"_s);
        QVERIFY(now.isValid());
        QVERIFY2(inQuietHours(s.QuietHours, now) == check.endsWith(u" in"_s), qPrintable(check));
    }
    // Stored as read back.
    QVERIFY(saveBlockingSettings(dir.iniPath(), s));
    WorkingSettings again;
    loadBlockingSettings(dir.iniPath(), again);
    QCOMPARE(shown(again), loaded);
    QCOMPARE(GetIniValue(dir.iniPath(), u"Blocking"_s, u"HangUp"_s, {}), s.HangUpFax ? u"Fax"_s : u"Answer"_s);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
