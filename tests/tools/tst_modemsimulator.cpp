// SPDX-License-Identifier: GPL-2.0-or-later
// The quillon-modemsim program as a user runs it (every serial test uses the library).
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

class TestModemSimulator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void program()
    {
        const QString binary = QStringLiteral(QUILLON_BINARY_DIR "/tools/modemsim/quillon-modemsim");
        if (!QFileInfo::exists(binary))
            QSKIP("quillon-modemsim is not built");
        QTemporaryDir dir;
        QFile script(dir.filePath(u"script"_qs));
        QVERIFY(script.open(QIODevice::WriteOnly)
                && script.write("# a comment\naccept AT#CC1\ntags unspaced\nresults numeric\n") > 0 && script.flush());
        QProcess process;
        const QString link = dir.filePath(u"modem"_qs);
        process.start(binary, { u"--link"_qs, link, u"--script"_qs, script.fileName() });
        QVERIFY(process.waitForReadyRead(5000));
        QCOMPARE(QFileInfo(link).symLinkTarget(), QString::fromLocal8Bit(process.readLine()).trimmed());

        QSerialPort line(link);
        QVERIFY(line.open(QIODevice::ReadWrite));
        const auto exchange = [&line](const QByteArray& sent, const QByteArray& end) {
            line.write(sent);
            QByteArray all;
            for (int i = 0; i < 100 && !all.endsWith(end); ++i)
                all += line.waitForReadyRead(50) ? line.readAll() : QByteArray();
            return all;
        };
        QCOMPARE(exchange("AT#CC1\rAT#CID=1\r", "4\r"), QByteArray("0\r4\r"));
        process.write("results verbal\nraw X\\r\\x41\ncall 5551234567 JOHN DOE\n");
        QVERIFY(process.waitForBytesWritten(5000));
        const QByteArray call = exchange({}, "NAME=JOHN DOE\r\n\r\nRING\r\n");
        QVERIFY2(call.startsWith("X\rA\r\nRING\r\n\r\nDATE="), call.constData());
        QVERIFY(call.contains("\r\nNMBR=5551234567\r\n"));

        process.write("quit\n");
        QVERIFY(process.waitForFinished(5000) && process.exitCode() == 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestModemSimulator)
#include "tst_modemsimulator.moc"
