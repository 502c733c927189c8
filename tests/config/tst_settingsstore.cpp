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

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingFile_givesDefaults();
    void getIniValue_data();
    void getIniValue();
    void setIniValue_data();
    void setIniValue();
    void setIniValue_createsFile();
    void setIniValue_longValueReadBackCut();
    void setIniValue_unreadableDirectory_returnsFalse();
    void conversions_data();
    void conversions();
    void commSettings_roundTripAndLog();
    void shellSettings_fromFile();

private:
    static QString value(const QString& ini, const QString& section, const QString& key)
    {
        AppDir dir;
        dir.writeIni(ini);
        return GetIniValue(dir.iniPath(), section, key, QStringLiteral("<default>"));
    }
};

void TestSettingsStore::missingFile_givesDefaults()
{
    AppDir dir;
    WorkingSettings settings;
    settings.EnableLog = true; // must be overwritten by the default
    settings.Notify = false;
    settings.Format = 7;
    loadShellSettings(dir.iniPath(), settings);
    QCOMPARE(settings.Cnfg, false);
    QCOMPARE(settings.EnableLog, false);
    QCOMPARE(settings.Notify, true);
    QCOMPARE(settings.Reject, true);
    QCOMPARE(settings.RingIn, true);
    QCOMPARE(settings.ExitDelay, true);
    QCOMPARE(settings.Format, qint16(1));
    QCOMPARE(settings.NmbrLngth, qint16(10));

    FakeClock clock;
    ActivityLog log(dir.path(), settings, clock);
    const CommSettings comm = LoadCommSettings(dir.iniPath(), log);
    QCOMPARE(comm.ComPort, qint16(1));
    QCOMPARE(comm.Baud, QStringLiteral("14400"));
    QCOMPARE(comm.DataBit, QStringLiteral("8"));
    QCOMPARE(comm.StopBit, QStringLiteral("1"));
    QCOMPARE(comm.Parity, QStringLiteral("N"));
    QCOMPARE(comm.ModemStrng, QStringLiteral("AT#CID=1"));
    QVERIFY(!QFile::exists(dir.iniPath()));
    QVERIFY(!QFile::exists(dir.logPath()));
}

void TestSettingsStore::getIniValue_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString plain = QStringLiteral("[Comm]\nBaud=28800\n[Modem]\nModemStrng=AT*ID1\n");
    QTest::newRow("plain") << plain << "Comm"
                           << "Baud"
                           << "28800";
    QTest::newRow("other section") << plain << "Modem"
                                   << "ModemStrng"
                                   << "AT*ID1";
    QTest::newRow("key in another section") << plain << "Modem"
                                            << "Baud"
                                            << "<default>";
    QTest::newRow("missing section") << plain << "Settings"
                                     << "Baud"
                                     << "<default>";
    QTest::newRow("lower-case names in file") << "[comm]\nbaud=57600\n"
                                              << "Comm"
                                              << "Baud"
                                              << "57600";
    QTest::newRow("upper-case names asked") << plain << "COMM"
                                            << "BAUD"
                                            << "28800";
    QTest::newRow("empty value is not the default") << "[Modem]\nModemStrng=\n"
                                                    << "Modem"
                                                    << "ModemStrng"
                                                    << "";
    QTest::newRow("blanks around names and value") << " [ Comm ] \r\n  Baud =  14400  \r\n"
                                                   << "Comm"
                                                   << "Baud"
                                                   << "14400";
    QTest::newRow("CRLF file") << "[Comm]\r\nBaud=28800\r\nParity=E\r\n"
                               << "Comm"
                               << "Parity"
                               << "E";
    QTest::newRow("no final line end") << "[Comm]\nParity=E"
                                       << "Comm"
                                       << "Parity"
                                       << "E";
    QTest::newRow("first of two keys") << "[Comm]\nBaud=1\nBaud=2\n"
                                       << "Comm"
                                       << "Baud"
                                       << "1";
    QTest::newRow("value holding =") << "[Modem]\nModemStrng=AT#CID=1\n"
                                     << "Modem"
                                     << "ModemStrng"
                                     << "AT#CID=1";
    QTest::newRow("key not prefix-matched") << "[Comm]\nBaudRate=1\n"
                                            << "Comm"
                                            << "Baud"
                                            << "<default>";
    QTest::newRow("comment line") << "[Comm]\n;Baud=1\n"
                                  << "Comm"
                                  << "Baud"
                                  << "<default>";
    QTest::newRow("Latin-1 byte") << QStringLiteral("[Comm]\nBaud=\u00e9\u00ff\n") << "Comm"
                                  << "Baud" << QStringLiteral("\u00e9\u00ff");
    QTest::newRow("value cut to 254") << QStringLiteral("[Comm]\nBaud=") + QString(300, QLatin1Char('x'))
            + QStringLiteral("\n") << "Comm"
                                      << "Baud" << QString(254, QLatin1Char('x'));
}

void TestSettingsStore::getIniValue()
{
    QFETCH(QString, ini);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(value(ini, section, key), expected);
}

void TestSettingsStore::setIniValue_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("after");

    QTest::newRow("replace keeps other lines")
        << "; my modem\r\n[Comm]\r\nBaud=14400\r\nOdd line\r\n[Ports]\r\nComm1=/dev/pts/3\r\n"
        << "Comm"
        << "Baud"
        << "57600"
        << "; my modem\r\n[Comm]\r\nBaud=57600\r\n"
           "Odd line\r\n[Ports]\r\nComm1=/dev/pts/3\r\n";
    QTest::newRow("replace keeps the key's spelling") << "[comm]\nbaud = 14400\n"
                                                      << "Comm"
                                                      << "Baud"
                                                      << "28800"
                                                      << "[comm]\nbaud =28800\n";
    QTest::newRow("add key to its section, before blank lines")
        << "[Comm]\nBaud=14400\n\n[Modem]\nModemStrng=AT*ID1\n"
        << "Comm"
        << "Parity"
        << "N"
        << "[Comm]\nBaud=14400\nParity=N\n\n[Modem]\nModemStrng=AT*ID1\n";
    QTest::newRow("add key to the last section without line end") << "[Comm]\nBaud=14400"
                                                                  << "Comm"
                                                                  << "Parity"
                                                                  << "N"
                                                                  << "[Comm]\nBaud=14400\nParity=N\n";
    QTest::newRow("add key to an empty section") << "[Settings]\n[Comm]\nBaud=1\n"
                                                 << "Settings"
                                                 << "Format"
                                                 << "2"
                                                 << "[Settings]\nFormat=2\n[Comm]\nBaud=1\n";
    QTest::newRow("new section at the end") << "[Comm]\r\nBaud=14400\r\n"
                                            << "Settings"
                                            << "EnableLog"
                                            << "True"
                                            << "[Comm]\r\nBaud=14400\r\n[Settings]\r\nEnableLog=True\r\n";
    QTest::newRow("new section after a last line without end")
        << "[Comm]\r\nBaud=14400"
        << "Modem"
        << "ModemStrng"
        << "ATZ"
        << "[Comm]\r\nBaud=14400\r\n[Modem]\r\nModemStrng=ATZ\r\n";
    QTest::newRow("new section in an LF file") << "[Comm]\nBaud=14400\n"
                                               << "Settings"
                                               << "Format"
                                               << "8"
                                               << "[Comm]\nBaud=14400\n[Settings]\nFormat=8\n";
    QTest::newRow("line breaks become blanks") << ""
                                               << "Modem"
                                               << "ModemStrng"
                                               << "AT\r\nX\nY\r"
                                               << "[Modem]\r\nModemStrng=AT  X Y \r\n";
    QTest::newRow("empty value") << "[Modem]\nModemStrng=AT#CID=1\n"
                                 << "Modem"
                                 << "ModemStrng"
                                 << ""
                                 << "[Modem]\nModemStrng=\n";
}

void TestSettingsStore::setIniValue()
{
    QFETCH(QString, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, after);
    AppDir dir;
    if (!before.isEmpty())
        dir.writeIni(before);
    QVERIFY(SetIniValue(dir.iniPath(), section, key, value));
    QCOMPARE(dir.readFile(QStringLiteral("QuillonCID.ini")), after);
}

void TestSettingsStore::setIniValue_createsFile()
{
    AppDir dir;
    CommSettings comm;
    comm.ComPort = 3;
    comm.Baud = QStringLiteral("57600");
    SaveCommSettings(dir.iniPath(), comm);
    QVERIFY(SetIniValue(dir.iniPath(), QStringLiteral("Comm"), QStringLiteral("Cnfg"), boolText(true)));
    QCOMPARE(dir.readFile(QStringLiteral("QuillonCID.ini")),
             QStringLiteral("[Comm]\r\nComPort=3\r\nBaud=57600\r\nParity=N\r\nDataBit=8\r\nStopBit=1\r\nCnfg=True\r\n"
                            "[Modem]\r\nModemStrng=AT#CID=1\r\n"));
}

void TestSettingsStore::setIniValue_longValueReadBackCut()
{
    AppDir dir;
    const QString longValue = QString(200, QLatin1Char('a')) + QString(100, QLatin1Char('b'));
    QVERIFY(SetIniValue(dir.iniPath(), QStringLiteral("Modem"), QStringLiteral("ModemStrng"), longValue));
    QCOMPARE(GetIniValue(dir.iniPath(), QStringLiteral("Modem"), QStringLiteral("ModemStrng"), QString()),
             longValue.left(254));
}

void TestSettingsStore::setIniValue_unreadableDirectory_returnsFalse()
{
    AppDir dir;
    const QString missingDir = dir.file(QStringLiteral("no/such/dir/QuillonCID.ini"));
    QVERIFY(!SetIniValue(missingDir, QStringLiteral("Comm"), QStringLiteral("Baud"), QStringLiteral("1")));
    QCOMPARE(GetIniValue(missingDir, QStringLiteral("Comm"), QStringLiteral("Baud"), QStringLiteral("d")),
             QStringLiteral("d"));
}

void TestSettingsStore::conversions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("boolDefault");
    QTest::addColumn<bool>("expectedBool");
    QTest::addColumn<int>("expectedInt"); // with default 42

    QTest::newRow("True") << "True" << false << true << 42;
    QTest::newRow("false lower") << "false" << true << false << 42;
    QTest::newRow("TRUE upper") << "TRUE" << false << true << 42;
    QTest::newRow("zero") << "0" << true << false << 0;
    QTest::newRow("minus one") << "-1" << false << true << -1;
    QTest::newRow("eleven") << "11" << false << true << 11;
    QTest::newRow("blanks around") << " 8 " << false << true << 8;
    QTest::newRow("garbage") << "yes" << true << true << 42;
    QTest::newRow("garbage, default false") << "Truthy" << false << false << 42;
    QTest::newRow("empty") << "" << true << true << 42;
    QTest::newRow("16-bit max") << "32767" << false << true << 32767;
    QTest::newRow("16-bit min") << "-32768" << false << true << -32768;
    QTest::newRow("out of 16-bit range") << "32768" << false << true << 42;
    QTest::newRow("hex is not decimal") << "0x10" << true << true << 42;
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

void TestSettingsStore::commSettings_roundTripAndLog()
{
    AppDir dir;
    dir.writeIni(QStringLiteral("[COMM]\nComPort=4\nBaud=28800\nDataBit=7\nStopBit=2\nParity=E\n"
                                "[modem]\nmodemstrng=AT+VCID=1\n"));
    WorkingSettings settings;
    settings.EnableLog = true;
    FakeClock clock;
    ActivityLog log(dir.path(), settings, clock);
    const CommSettings comm = LoadCommSettings(dir.iniPath(), log);
    QCOMPARE(comm.ComPort, qint16(4));
    QCOMPARE(comm.Baud, QStringLiteral("28800"));
    QCOMPARE(comm.DataBit, QStringLiteral("7"));
    QCOMPARE(comm.StopBit, QStringLiteral("2"));
    QCOMPARE(comm.Parity, QStringLiteral("E"));
    QCOMPARE(comm.ModemStrng, QStringLiteral("AT+VCID=1"));
    QCOMPARE(dir.logMessages(), QStringList({ QStringLiteral("Comm Port = 4"), QStringLiteral("Baud = 28800") }));

    setCommSettings(settings, comm);
    QCOMPARE(settings.ComPort, qint16(4));
    QCOMPARE(commSettingsOf(settings).ModemStrng, QStringLiteral("AT+VCID=1"));

    // Saving what was loaded writes the same values back under the file's own spelling.
    SaveCommSettings(dir.iniPath(), comm);
    QCOMPARE(dir.readFile(QStringLiteral("QuillonCID.ini")),
             QStringLiteral("[COMM]\nComPort=4\nBaud=28800\nDataBit=7\nStopBit=2\nParity=E\n"
                            "[modem]\nmodemstrng=AT+VCID=1\n"));
}

void TestSettingsStore::shellSettings_fromFile()
{
    AppDir dir;
    dir.writeIni(QStringLiteral("[Comm]\nCnfg=True\n[Settings]\nEnableLog=true\nNotify=FALSE\nReject=0\n"
                                "RingIn=garbage\nFormat=8\nNmbrLngth=99999\nExitDelay=False\n"));
    WorkingSettings settings;
    loadShellSettings(dir.iniPath(), settings);
    QCOMPARE(settings.Cnfg, true);
    QCOMPARE(settings.EnableLog, true);
    QCOMPARE(settings.Notify, false);
    QCOMPARE(settings.Reject, false);
    QCOMPARE(settings.RingIn, true); // garbage keeps the default
    QCOMPARE(settings.Format, qint16(8));
    QCOMPARE(settings.NmbrLngth, qint16(10)); // out of range keeps the default
    QCOMPARE(settings.ExitDelay, false);
}

} // namespace Quillon::Test

QTEST_GUILESS_MAIN(Quillon::Test::TestSettingsStore)
#include "tst_settingsstore.moc"
