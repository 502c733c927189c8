// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "records/activitylog.h"
#include "support/appdir.h"
#include "support/fakeclock.h"

#include <QFile>
#include <QTest>

using namespace Quillon;

namespace Quillon::Test {

namespace {

QString q(const char* text)
{
    return QString::fromLatin1(text);
}

QString joined(const CommSettings& c)
{
    return QStringList { QString::number(c.ComPort), c.Baud, c.DataBit, c.StopBit, c.Parity, c.ModemStrng }.join(
        QLatin1Char('|'));
}

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void getIniValue_data();
    void getIniValue();
    void setIniValue_data();
    void setIniValue();
    void conversions_data();
    void conversions();
    void commSettings_data();
    void commSettings();
    void shellSettings_data();
    void shellSettings();
};

void TestSettingsStore::getIniValue_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("sectionAndKey");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char* tag, const QString& ini, const char* sectionAndKey, const QString& expected) {
        QTest::newRow(tag) << ini << q(sectionAndKey) << expected;
    };
    const QString plain = q("[Comm]\nBaud=28800\n[Modem]\nModemStrng=AT*ID1\n");
    row("plain", plain, "Comm/Baud", q("28800"));
    row("key in another section", plain, "Modem/Baud", q("<default>"));
    row("missing section", plain, "Settings/Baud", q("<default>"));
    row("lower-case names in file", q("[comm]\nbaud=57600\n"), "Comm/Baud", q("57600"));
    row("upper-case names asked", plain, "COMM/BAUD", q("28800"));
    row("present empty value", q("[Modem]\nModemStrng=\n"), "Modem/ModemStrng", QString());
    row("blanks around", q(" [ Comm ] \r\n  Baud =  14400  \r\n"), "Comm/Baud", q("14400"));
    row("CRLF file", q("[Comm]\r\nBaud=28800\r\nParity=E\r\n"), "Comm/Parity", q("E"));
    row("no final line end", q("[Comm]\nParity=E"), "Comm/Parity", q("E"));
    row("first of two keys", q("[Comm]\nBaud=1\nBaud=2\n"), "Comm/Baud", q("1"));
    row("value holding =", q("[Modem]\nModemStrng=AT#CID=1\n"), "Modem/ModemStrng", q("AT#CID=1"));
    row("no prefix match", q("[Comm]\nBaudRate=1\n"), "Comm/Baud", q("<default>"));
    row("comment line", q("[Comm]\n;Baud=1\n"), "Comm/Baud", q("<default>"));
    row("Latin-1", QStringLiteral("[Comm]\nBaud=\u00e9\u00ff\n"), "Comm/Baud", QStringLiteral("\u00e9\u00ff"));
    row("cut to 254", q("[Comm]\nBaud=") + QString(300, QLatin1Char('x')), "Comm/Baud", QString(254, QLatin1Char('x')));
}

void TestSettingsStore::getIniValue()
{
    QFETCH(QString, ini);
    QFETCH(QString, sectionAndKey);
    QFETCH(QString, expected);
    AppDir dir;
    dir.writeIni(ini);
    QCOMPARE(GetIniValue(dir.iniPath(), sectionAndKey.section(QLatin1Char('/'), 0, 0),
                         sectionAndKey.section(QLatin1Char('/'), 1), QStringLiteral("<default>")),
             expected);
}

void TestSettingsStore::setIniValue_data()
{
    QTest::addColumn<QString>("before"); // empty: no file
    QTest::addColumn<QString>("sectionAndKey");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("after");

    const auto row
        = [](const char* tag, const char* before, const char* sectionAndKey, const char* value, const char* after) {
              QTest::newRow(tag) << q(before) << q(sectionAndKey) << q(value) << q(after);
          };
    row("replace keeps other lines",
        "; my modem\r\n[Comm]\r\nBaud=14400\r\nOdd line\r\n\r\n[Ports]\r\nComm1=/dev/x\r\n", "Comm/Baud", "57600",
        "; my modem\r\n[Comm]\r\nBaud=57600\r\nOdd line\r\n\r\n[Ports]\r\nComm1=/dev/x\r\n");
    row("replace keeps the key's spelling", "[comm]\nbaud = 14400\n", "Comm/Baud", "28800", "[comm]\nbaud =28800\n");
    row("new key at the end of its section", "[Comm]\nBaud=14400\n\n[Modem]\nModemStrng=AT*ID1\n", "Comm/Parity", "N",
        "[Comm]\nBaud=14400\nParity=N\n\n[Modem]\nModemStrng=AT*ID1\n");
    row("new key, no final line end", "[Comm]\nBaud=14400", "Comm/Parity", "N", "[Comm]\nBaud=14400\nParity=N\n");
    row("new key in an empty section", "[Settings]\n[Comm]\nBaud=1\n", "Settings/Format", "2",
        "[Settings]\nFormat=2\n[Comm]\nBaud=1\n");
    row("new section, CRLF", "[Comm]\r\nBaud=14400\r\n", "Settings/EnableLog", "True",
        "[Comm]\r\nBaud=14400\r\n[Settings]\r\nEnableLog=True\r\n");
    row("new section, no final line end", "[Comm]\r\nBaud=14400", "Modem/ModemStrng", "ATZ",
        "[Comm]\r\nBaud=14400\r\n[Modem]\r\nModemStrng=ATZ\r\n");
    row("new section, LF", "[Comm]\nBaud=14400\n", "Settings/Format", "8",
        "[Comm]\nBaud=14400\n[Settings]\nFormat=8\n");
    row("new file, line breaks as blanks", "", "Modem/ModemStrng", "AT\r\nX\nY\r",
        "[Modem]\r\nModemStrng=AT  X Y \r\n");
    row("empty value", "[Modem]\nModemStrng=AT#CID=1\n", "Modem/ModemStrng", "", "[Modem]\nModemStrng=\n");
}

void TestSettingsStore::setIniValue()
{
    QFETCH(QString, before);
    QFETCH(QString, sectionAndKey);
    QFETCH(QString, value);
    QFETCH(QString, after);
    AppDir dir;
    if (!before.isEmpty())
        dir.writeIni(before);
    QVERIFY(SetIniValue(dir.iniPath(), sectionAndKey.section(QLatin1Char('/'), 0, 0),
                        sectionAndKey.section(QLatin1Char('/'), 1), value));
    QCOMPARE(dir.readFile(QStringLiteral("QuillonCID.ini")), after);
    QVERIFY(!SetIniValue(dir.file(QStringLiteral("no/such/dir/QuillonCID.ini")), QStringLiteral("Comm"),
                         QStringLiteral("Baud"), QStringLiteral("1")));
}

void TestSettingsStore::conversions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("boolDefault");
    QTest::addColumn<bool>("expectedBool");
    QTest::addColumn<int>("expectedInt"); // with default 42

    QTest::newRow("True") << "True" << false << true << 42;
    QTest::newRow("false") << "false" << true << false << 42;
    QTest::newRow("TRUE") << "TRUE" << false << true << 42;
    QTest::newRow("0") << "0" << true << false << 0;
    QTest::newRow("-1") << "-1" << false << true << -1;
    QTest::newRow("blanks around") << " 8 " << false << true << 8;
    QTest::newRow("garbage") << "yes" << true << true << 42;
    QTest::newRow("garbage, default false") << "Truthy" << false << false << 42;
    QTest::newRow("empty") << "" << true << true << 42;
    QTest::newRow("16-bit max") << "32767" << false << true << 32767;
    QTest::newRow("16-bit min") << "-32768" << false << true << -32768;
    QTest::newRow("out of range") << "32768" << false << true << 42;
    QTest::newRow("hex") << "0x10" << true << true << 42;
    QTest::newRow("fraction") << "1.5" << true << true << 42;
}

void TestSettingsStore::conversions()
{
    QFETCH(QString, text);
    QFETCH(bool, boolDefault);
    QFETCH(bool, expectedBool);
    QFETCH(int, expectedInt);
    QCOMPARE(iniBool(text, boolDefault), expectedBool);
    QCOMPARE(int(iniInt16(text, 42)), expectedInt);
}

void TestSettingsStore::commSettings_data()
{
    QTest::addColumn<QString>("ini"); // empty: no file
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<QString>("saved"); // the file after saving what was loaded

    QTest::newRow("missing file") << QString() << q("1|14400|8|1|N|AT#CID=1")
                                  << q("[Comm]\r\nComPort=1\r\nBaud=14400\r\nParity=N\r\nDataBit=8\r\nStopBit=1\r\n"
                                       "[Modem]\r\nModemStrng=AT#CID=1\r\n");
    const QString lf
        = q("[COMM]\nComPort=4\nBaud=28800\nDataBit=7\nStopBit=2\nParity=E\n[modem]\nmodemstrng=AT+VCID=1\n");
    QTest::newRow("other letter case, LF") << lf << q("4|28800|7|2|E|AT+VCID=1") << lf;
}

void TestSettingsStore::commSettings()
{
    QFETCH(QString, ini);
    QFETCH(QString, loaded);
    QFETCH(QString, saved);
    AppDir dir;
    if (!ini.isEmpty())
        dir.writeIni(ini);
    WorkingSettings settings;
    settings.EnableLog = true;
    FakeClock clock;
    ActivityLog log(dir.path(), settings, clock);
    const CommSettings comm = LoadCommSettings(dir.iniPath(), log);
    QCOMPARE(joined(comm), loaded);
    QCOMPARE(QFile::exists(dir.iniPath()), !ini.isEmpty());
    QCOMPARE(dir.logMessages(),
             QStringList({ q("Comm Port = ") + loaded.section(QLatin1Char('|'), 0, 0),
                           q("Baud = ") + loaded.section(QLatin1Char('|'), 1, 1) }));
    setCommSettings(settings, comm);
    QCOMPARE(joined(commSettingsOf(settings)), loaded);
    SaveCommSettings(dir.iniPath(), comm);
    QCOMPARE(dir.readFile(QStringLiteral("QuillonCID.ini")), saved);
}

void TestSettingsStore::shellSettings_data()
{
    QTest::addColumn<QString>("ini"); // empty: no file
    QTest::addColumn<QString>("expected"); // Cnfg EnableLog Notify Reject RingIn ExitDelay Format NmbrLngth

    QTest::newRow("missing file") << QString() << q("0 0 1 1 1 1 1 10");
    QTest::newRow("file") << q("[Comm]\nCnfg=True\n[Settings]\nEnableLog=true\nNotify=FALSE\nReject=0\n"
                               "RingIn=garbage\nFormat=8\nNmbrLngth=99999\nExitDelay=False\n")
                          << q("1 1 0 0 1 0 8 10");
}

void TestSettingsStore::shellSettings()
{
    QFETCH(QString, ini);
    QFETCH(QString, expected);
    AppDir dir;
    if (!ini.isEmpty())
        dir.writeIni(ini);
    WorkingSettings s;
    s.EnableLog = true; // every value is replaced, by the default when absent
    s.Notify = false;
    s.Format = 7;
    loadShellSettings(dir.iniPath(), s);
    QCOMPARE(QStringList({ QString::number(s.Cnfg), QString::number(s.EnableLog), QString::number(s.Notify),
                           QString::number(s.Reject), QString::number(s.RingIn), QString::number(s.ExitDelay),
                           QString::number(s.Format), QString::number(s.NmbrLngth) })
                 .join(QLatin1Char(' ')),
             expected);
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestSettingsStore)
#include "tst_settingsstore.moc"
