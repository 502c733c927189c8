// SPDX-License-Identifier: GPL-2.0-or-later
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "support/appdir.h"

#include <QSignalSpy>
#include <QTest>

using namespace Quillon;

class TestQtSerialPort : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseSettings_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("default") << u"14400,N,8,1"_qs << true;
        QTest::newRow("odd 5 1.5") << u"300,O,5,1.5"_qs << true;
        QTest::newRow("zero speed") << u"0,N,8,1"_qs << false;
        QTest::newRow("9 data bits") << u"14400,N,9,1"_qs << false;
        QTest::newRow("blanks") << u"14400, N, 8, 1"_qs << false;
    }
    void parseSettings()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QtSerialPort::LineSettings settings;
        QCOMPARE(QtSerialPort::parseSettings(text, &settings), valid);
    }

    // Written one character per byte, high half included; read as UTF-8 when what came is that as a whole, else one
    // character per byte. A hang-up closes the port, once, keeping what had arrived.
    void lineAndHangUp()
    {
        Test::AppDir dir;
        Sim::ModemSimulator sim;
        QVERIFY(sim.start() && sim.createLink(dir.file(u"modem"_qs)));
        QtSerialPort serial;
        serial.setPort(1, sim.linkPath());
        serial.setReadAllBuffered();
        QSignalSpy lost(&serial, &SerialPort::portLost);
        QVERIFY(serial.open());
        QVERIFY(serial.write(QString::fromLatin1("AT\xE9\rAT&F\r")));
        sim.pump();
        QCOMPARE(sim.receivedCommands(), (QStringList { QString::fromLatin1("AT\xE9"), u"AT&F"_qs }));
        QCOMPARE(serial.readAll(), u"\r\nERROR\r\n\r\nOK\r\n"_qs);
        sim.sendRaw(QByteArray("NAME = J\xD6RG\r\n"));
        QCOMPARE(serial.readAll(), QString::fromLatin1("NAME = J\xD6RG\r\n"));
        sim.sendRaw("NAME = V\xc3\xa4h\xc3\xa4l\xc3\xa4\r\n");
        QCOMPARE(serial.readAll(), u"NAME = V\u00e4h\u00e4l\u00e4\r\n"_qs);
        sim.sendRaw("NAME = \xc3\xa4 \xe4\r\n");
        QCOMPARE(serial.readAll(), u"NAME = \u00c3\u00a4 \u00e4\r\n"_qs);
        serial.setInputLimit(17); // only the newest bytes are held
        sim.sendRaw("noise noise noise RING\r\nDATE=0612\r\n");
        QCOMPARE(serial.readAll(), u"RING\r\nDATE=0612\r\n"_qs);
        QCOMPARE(serial.takeDroppedInput(), 18);
        QCOMPARE(serial.takeDroppedInput(), 0);
        // What arrived before the loss is still read after it, once.
        sim.sendRaw("RING\r\n");
        QTRY_COMPARE(serial.peekAll(), u"RING\r\n"_qs);
        sim.stop();
        QVERIFY(lost.wait(2000));
        QTest::qWait(50);
        QCOMPARE(lost.count(), 1);
        QCOMPARE(serial.readAll(), u"RING\r\n"_qs);
        QCOMPARE(serial.readAll(), QString());
        QVERIFY(!serial.isOpen() && !serial.write(u"ATH0\r"_qs) && !serial.open());
    }
};

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
