// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/settingsstore.h"
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "support/appdir.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

using namespace Quillon;
using Quillon::Sim::ModemSimulator;

namespace {

qint64 cpuTimeMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

// Runs the event loop idle for a while: whatever CPU it takes, a port took.
void processEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

class TestQtSerialPort : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void devicePath_data();
    void devicePath();
    void parseSettings_data();
    void parseSettings();
    void openFails_data();
    void openFails();
    void writeAndRead();
    void arrivalIsSignalled();
    void closedPortDropsWrites();
    void staleInputIsDiscardedAtOpen();
    void secondOpenOfTheSamePortFails();
    void vanishedDeviceClosesOnceWithoutSpinning();
};

void TestQtSerialPort::devicePath_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("expected");

    QTest::newRow("port 1 default") << QString() << 1 << u"/dev/ttyS0"_qs;
    QTest::newRow("port 4 default") << QString() << 4 << u"/dev/ttyS3"_qs;
    QTest::newRow("port 5 default") << QString() << 5 << u"/dev/ttyACM0"_qs;
    QTest::newRow("port 6 default") << QString() << 6 << u"/dev/ttyUSB0"_qs;
    QTest::newRow("port 0 has none") << QString() << 0 << QString();
    QTest::newRow("port 7 has none") << QString() << 7 << QString();
    QTest::newRow("port 7 key ignored") << u"[Ports]\r\nComm7=/dev/ttyS9\r\n"_qs << 7 << QString();
    QTest::newRow("key replaces default") << u"[Ports]\r\nComm3=/tmp/modem\r\n"_qs << 3 << u"/tmp/modem"_qs;
    QTest::newRow("other ports keep defaults") << u"[Ports]\r\nComm3=/tmp/modem\r\n"_qs << 2 << u"/dev/ttyS1"_qs;
    QTest::newRow("key in other case") << u"[ports]\r\ncomm2=/tmp/m2\r\n"_qs << 2 << u"/tmp/m2"_qs;
    QTest::newRow("empty key: no device") << u"[Ports]\r\nComm1=\r\n"_qs << 1 << QString();
}

void TestQtSerialPort::devicePath()
{
    QFETCH(QString, ini);
    QFETCH(int, port);
    QFETCH(QString, expected);
    Test::AppDir dir;
    if (!ini.isEmpty())
        dir.writeIni(ini);
    QtSerialPort serial(dir.path());
    QCOMPARE(serial.devicePath(port), expected);
}

void TestQtSerialPort::parseSettings_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");

    QTest::newRow("default") << u"14400,N,8,1"_qs << true;
    QTest::newRow("even 7 two") << u"9600,E,7,2"_qs << true;
    QTest::newRow("odd 5 one and a half") << u"300,O,5,1.5"_qs << true;
    QTest::newRow("mark, space") << u"115200,M,6,1"_qs << true;
    QTest::newRow("space parity") << u"2400,S,8,1"_qs << true;
    QTest::newRow("zero speed") << u"0,N,8,1"_qs << false;
    QTest::newRow("negative speed") << u"-9600,N,8,1"_qs << false;
    QTest::newRow("speed with letters") << u"96OO,N,8,1"_qs << false;
    QTest::newRow("speed too large") << u"99999999999,N,8,1"_qs << false;
    QTest::newRow("lower-case parity") << u"14400,n,8,1"_qs << false;
    QTest::newRow("unknown parity") << u"14400,X,8,1"_qs << false;
    QTest::newRow("9 data bits") << u"14400,N,9,1"_qs << false;
    QTest::newRow("4 data bits") << u"14400,N,4,1"_qs << false;
    QTest::newRow("3 stop bits") << u"14400,N,8,3"_qs << false;
    QTest::newRow("missing part") << u"14400,N,8"_qs << false;
    QTest::newRow("extra part") << u"14400,N,8,1,1"_qs << false;
    QTest::newRow("blanks") << u"14400, N, 8, 1"_qs << false;
    QTest::newRow("empty") << QString() << false;
}

void TestQtSerialPort::parseSettings()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QtSerialPort::LineSettings settings;
    QCOMPARE(QtSerialPort::parseSettings(text, &settings), valid);
}

void TestQtSerialPort::openFails_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<bool>("missingDevice");

    QTest::newRow("port 7") << 7 << u"14400,N,8,1"_qs << false;
    QTest::newRow("missing device") << 2 << u"14400,N,8,1"_qs << true;
    QTest::newRow("bad settings text") << 1 << u"14400,N,9,1"_qs << false;
}

void TestQtSerialPort::openFails()
{
    QFETCH(int, port);
    QFETCH(QString, settings);
    QFETCH(bool, missingDevice);
    Test::AppDir dir;
    ModemSimulator sim;
    QVERIFY(sim.start());
    dir.writeIni(u"[Ports]\r\nComm1=%1\r\nComm2=%2\r\n"_qs.arg(sim.portPath(), dir.file(u"nothing"_qs)));
    QtSerialPort serial(dir.path());
    serial.setPortNumber(port);
    serial.setSettingsText(settings);
    QString error;
    QVERIFY(!serial.open(&error));
    QVERIFY(!serial.isOpen());
    QVERIFY(!error.isEmpty());
    if (missingDevice)
        QVERIFY(error.contains(dir.file(u"nothing"_qs)));
}

void TestQtSerialPort::writeAndRead()
{
    Test::AppDir dir;
    ModemSimulator sim;
    QVERIFY(sim.start());
    dir.writeIni(u"[Ports]\r\nComm2=%1\r\n"_qs.arg(sim.portPath()));
    QtSerialPort serial(dir.path());
    serial.setPortNumber(2);
    serial.setSettingsText(u"14400,N,8,1"_qs);
    serial.setReadAllBuffered();
    QVERIFY(serial.open());
    QVERIFY(serial.isOpen());

    QVERIFY(serial.write(u"AT&F\r"_qs));
    sim.pump();
    QCOMPARE(sim.receivedCommands(), QStringList { u"AT&F"_qs });
    QCOMPARE(serial.readAll(), u"\r\nOK\r\n"_qs);
    QCOMPARE(serial.readAll(), QString());

    // One character per byte, both ways, high half included.
    sim.sendRaw(QByteArray("NAME = J\xD6RG\r\n"));
    QCOMPARE(serial.readAll(), QString::fromLatin1("NAME = J\xD6RG\r\n"));
    QVERIFY(serial.write(QString::fromLatin1("AT\xE9\r")));
    sim.pump();
    QCOMPARE(sim.receivedCommands().last(), QString::fromLatin1("AT\xE9"));
}

void TestQtSerialPort::arrivalIsSignalled()
{
    Test::AppDir dir;
    ModemSimulator sim;
    QVERIFY(sim.start());
    dir.writeIni(u"[Ports]\r\nComm1=%1\r\n"_qs.arg(sim.portPath()));
    QtSerialPort serial(dir.path());
    QVERIFY(serial.open());
    QSignalSpy arrived(&serial, &SerialPort::dataArrived);
    sim.sendRing();
    QVERIFY(arrived.wait(2000));
    QCOMPARE(serial.readAll(), u"\r\nRING\r\n"_qs);

    // What readAll() itself pulls in is no new arrival.
    arrived.clear();
    sim.sendRing();
    QCOMPARE(serial.readAll(), u"\r\nRING\r\n"_qs);
    processEventsFor(30);
    QCOMPARE(arrived.count(), 0);
}

void TestQtSerialPort::closedPortDropsWrites()
{
    Test::AppDir dir;
    ModemSimulator sim;
    QVERIFY(sim.start());
    dir.writeIni(u"[Ports]\r\nComm1=%1\r\n"_qs.arg(sim.portPath()));
    QtSerialPort serial(dir.path());
    QVERIFY(!serial.write(u"ATA\r"_qs));
    QCOMPARE(serial.readAll(), QString());
    QVERIFY(serial.open());
    serial.close();
    QVERIFY(!serial.isOpen());
    QVERIFY(!serial.write(u"ATH0\r"_qs));
    sim.pump();
    QVERIFY(sim.receivedCommands().isEmpty());
    serial.close(); // closing twice is harmless
}

void TestQtSerialPort::staleInputIsDiscardedAtOpen()
{
    Test::AppDir dir;
    ModemSimulator sim;
    QVERIFY(sim.start());
    dir.writeIni(u"[Ports]\r\nComm1=%1\r\n"_qs.arg(sim.portPath()));
    QtSerialPort serial(dir.path());
    QVERIFY(serial.open());
    serial.close();
    sim.sendRing(); // arrives while nobody has the port open
    QVERIFY(serial.open());
    QCOMPARE(serial.readAll(), QString());
    sim.sendRing();
    QCOMPARE(serial.readAll(), u"\r\nRING\r\n"_qs);
}

void TestQtSerialPort::secondOpenOfTheSamePortFails()
{
    Test::AppDir dir;
    ModemSimulator sim;
    QVERIFY(sim.start());
    dir.writeIni(u"[Ports]\r\nComm1=%1\r\n"_qs.arg(sim.portPath()));
    QtSerialPort first(dir.path());
    QtSerialPort second(dir.path());
    QVERIFY(first.open());
    QVERIFY(!second.open());
    first.close();
    QVERIFY(second.open());
}

void TestQtSerialPort::vanishedDeviceClosesOnceWithoutSpinning()
{
    Test::AppDir dir;
    ModemSimulator sim;
    QVERIFY(sim.start());
    // The link goes with the simulator; the pty number may soon serve another.
    QVERIFY(sim.createLink(dir.file(u"modem"_qs)));
    dir.writeIni(u"[Ports]\r\nComm1=%1\r\n"_qs.arg(sim.linkPath()));
    QtSerialPort serial(dir.path());
    QVERIFY(serial.open());
    QSignalSpy lost(&serial, &SerialPort::portLost);
    sim.stop();
    QVERIFY(lost.wait(2000));
    QVERIFY(!serial.isOpen());

    const qint64 cpuBefore = cpuTimeMs();
    processEventsFor(300);
    QCOMPARE(lost.count(), 1);
    QVERIFY2(cpuTimeMs() - cpuBefore < 150, "the closed port still burns CPU");
    QVERIFY(!serial.write(u"ATZ\r"_qs));
    QCOMPARE(serial.readAll(), QString());
    QVERIFY(!serial.open());
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
