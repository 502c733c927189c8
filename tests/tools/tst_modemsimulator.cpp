// SPDX-License-Identifier: GPL-2.0-or-later
// The simulator is what every serial test stands on: check its answers with
// plain file descriptors, not with the port class under test elsewhere.
#include "modemsimulator.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using Quillon::Sim::Caller;
using Quillon::Sim::ModemSimulator;

namespace {

// The program's end of the line, opened raw like a serial port.
class Line
{
public:
    explicit Line(const QString& path)
    {
        m_fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd >= 0) {
            termios tio {};
            ::tcgetattr(m_fd, &tio);
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~Line()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    void write(const QByteArray& bytes) { QCOMPARE(::write(m_fd, bytes.constData(), bytes.size()), bytes.size()); }
    // What has arrived; the simulator waits for delivery, so no waiting here.
    QByteArray read()
    {
        QByteArray all;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
            all.append(buffer, n);
        m_lastReadFailed = n < 0 && errno != EAGAIN;
        m_lastReadEnded = n == 0;
        return all;
    }
    bool hungUp() const { return m_lastReadFailed || m_lastReadEnded; }

private:
    int m_fd = -1;
    bool m_lastReadFailed = false;
    bool m_lastReadEnded = false;
};

} // namespace

class TestModemSimulator : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data();
    void answers();
    void echoAndDelay();
    void settingCommandsChangeResults();
    void callBlocks_data();
    void callBlocks();
    void callWithGaps();
    void stopHangsUpAndRemovesLink();
    void program();
};

void TestModemSimulator::answers_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray ok("\r\nOK\r\n");
    const QByteArray error("\r\nERROR\r\n");
    QTest::newRow("AT&F") << QByteArray("AT&F\r") << false << false << ok;
    QTest::newRow("ATZ") << QByteArray("ATZ\r") << false << false << ok;
    QTest::newRow("ATA") << QByteArray("ATA\r") << false << false << ok;
    QTest::newRow("ATH0") << QByteArray("ATH0\r") << false << false << ok;
    QTest::newRow("AT") << QByteArray("AT\r") << false << false << ok;
    QTest::newRow("lower case") << QByteArray("at&f\r") << false << false << ok;
    QTest::newRow("accepted command") << QByteArray("AT#CC1\r") << false << false << ok;
    QTest::newRow("other caller-ID command") << QByteArray("AT#CID=1\r") << false << false << error;
    QTest::newRow("last table command") << QByteArray("ATS42.2=1\r") << false << false << error;
    QTest::newRow("unknown AT command") << QByteArray("ATX9\r") << false << false << error;
    QTest::newRow("numeric OK") << QByteArray("ATZ\r") << true << false << QByteArray("0\r");
    QTest::newRow("numeric ERROR") << QByteArray("AT*ID1\r") << true << false << QByteArray("4\r");
    QTest::newRow("lone CR") << QByteArray("\r") << false << false << QByteArray();
    QTest::newRow("not a command") << QByteArray("hello\r") << false << false << QByteArray();
    QTest::newRow("no CR yet") << QByteArray("ATZ") << false << false << QByteArray();
    QTest::newRow("CR LF") << QByteArray("ATZ\r\n") << false << false << ok;
    QTest::newRow("two commands") << QByteArray("ATZ\rAT#CID=1\r") << false << false << ok + error;
    QTest::newRow("silent") << QByteArray("AT&F\r") << false << true << QByteArray();
}

void TestModemSimulator::answers()
{
    QFETCH(QByteArray, sent);
    QFETCH(bool, numeric);
    QFETCH(bool, silent);
    QFETCH(QByteArray, answer);
    ModemSimulator sim;
    QVERIFY(sim.start());
    sim.setAcceptedCidCommand(QStringLiteral("AT#CC1"));
    sim.setNumericResults(numeric);
    sim.setRespondsToAt(!silent);
    Line line(sim.portPath());
    QVERIFY(line.isOpen());
    line.write(sent);
    sim.pump();
    QCOMPARE(line.read(), answer);
    QCOMPARE(sim.receivedBytes(), sent);
    QCOMPARE(sim.receivedCommands().size(), sent.count('\r'));
}

void TestModemSimulator::echoAndDelay()
{
    ModemSimulator sim;
    QVERIFY(sim.start());
    sim.setEcho(true);
    sim.setAnswerDelayMs(100);
    Line line(sim.portPath());
    line.write("ATZ\r");
    sim.advance(99);
    QCOMPARE(line.read(), QByteArray("ATZ\r")); // the echo comes at once
    QVERIFY(sim.hasPendingOutput());
    sim.advance(1);
    QCOMPARE(line.read(), QByteArray("\r\nOK\r\n"));
    QVERIFY(!sim.hasPendingOutput());
    QCOMPARE(sim.elapsedMs(), 100);
}

void TestModemSimulator::settingCommandsChangeResults()
{
    ModemSimulator sim;
    QVERIFY(sim.start());
    Line line(sim.portPath());
    line.write("ATV0\r");
    sim.pump();
    QCOMPARE(line.read(), QByteArray("0\r"));
    line.write("ATE1\r");
    sim.pump();
    QCOMPARE(line.read(), QByteArray("0\r"));
    QVERIFY(sim.echo());
    line.write("ATV1\r");
    sim.pump();
    QCOMPARE(line.read(), QByteArray("ATV1\r\r\nOK\r\n"));
}

void TestModemSimulator::callBlocks_data()
{
    QTest::addColumn<bool>("spaced");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("block");

    QTest::newRow("spaced") << true << QStringLiteral("5551234567") << QStringLiteral("JOHN DOE")
                            << QByteArray("\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = 5551234567\r\nNAME = JOHN DOE\r\n");
    QTest::newRow("unspaced") << false << QStringLiteral("5551234567") << QStringLiteral("JOHN DOE")
                              << QByteArray("\r\nDATE=0612\r\nTIME=1432\r\nNMBR=5551234567\r\nNAME=JOHN DOE\r\n");
    QTest::newRow("no name line") << true << QStringLiteral("O") << QString()
                                  << QByteArray("\r\nDATE = 0612\r\nTIME = 1432\r\nNMBR = O\r\n");
}

void TestModemSimulator::callBlocks()
{
    QFETCH(bool, spaced);
    QFETCH(QString, number);
    QFETCH(QString, name);
    QFETCH(QByteArray, block);
    ModemSimulator sim;
    QVERIFY(sim.start());
    sim.setSpacedTags(spaced);
    Line line(sim.portPath());
    Caller caller;
    caller.number = number;
    caller.name = name;
    QCOMPARE(sim.callBlock(caller), block);
    sim.sendCall(caller);
    QCOMPARE(line.read(), QByteArray("\r\nRING\r\n") + block + QByteArray("\r\nRING\r\n"));
}

void TestModemSimulator::callWithGaps()
{
    ModemSimulator sim;
    QVERIFY(sim.start());
    sim.setRingGapMs(500);
    sim.setLineGapMs(20);
    Line line(sim.portPath());
    Caller caller;
    caller.number = QStringLiteral("5551234567");
    sim.sendCall(caller);
    QCOMPARE(line.read(), QByteArray("\r\nRING\r\n"));
    sim.advance(500);
    QCOMPARE(line.read(), QByteArray("\r\nDATE = 0612\r\n"));
    sim.advance(40);
    QCOMPARE(line.read(), QByteArray("TIME = 1432\r\nNMBR = 5551234567\r\n"));
    sim.advance(499);
    QCOMPARE(line.read(), QByteArray());
    sim.advance(1);
    QCOMPARE(line.read(), QByteArray("\r\nRING\r\n"));
}

void TestModemSimulator::stopHangsUpAndRemovesLink()
{
    QTemporaryDir dir;
    ModemSimulator sim;
    QVERIFY(sim.start());
    const QString link = dir.filePath(QStringLiteral("modem"));
    QVERIFY(sim.createLink(link));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.portPath());
    Line line(link);
    QVERIFY(line.isOpen());
    sim.stop();
    QVERIFY(!sim.isRunning());
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    line.read();
    QVERIFY(line.hungUp());
}

void TestModemSimulator::program()
{
    const QString binary = QStringLiteral(QUILLON_BINARY_DIR "/tools/modemsim/quillon-modemsim");
    if (!QFileInfo::exists(binary))
        QSKIP("quillon-modemsim is not built");
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("script"));
    QFile file(script);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("# a comment\naccept AT#CC1\ntags unspaced\nresults verbal\n");
    file.close();

    QProcess process;
    const QString link = dir.filePath(QStringLiteral("modem"));
    process.start(binary, { QStringLiteral("--link"), link, QStringLiteral("--script"), script });
    QVERIFY(process.waitForStarted());
    QVERIFY(process.waitForReadyRead(5000));
    const QString path = QString::fromLocal8Bit(process.readLine()).trimmed();
    QVERIFY(path.startsWith(QStringLiteral("/dev/pts/")));
    QCOMPARE(QFileInfo(link).symLinkTarget(), path);

    Line line(link);
    QVERIFY(line.isOpen());
    const auto readUntil = [&line](const QByteArray& end) {
        QByteArray all;
        for (int i = 0; i < 200 && !all.endsWith(end); ++i) {
            QTest::qWait(10);
            all += line.read();
        }
        return all;
    };
    line.write("AT#CC1\r");
    QCOMPARE(readUntil("OK\r\n"), QByteArray("\r\nOK\r\n"));
    process.write("raw X\\r\\x41\ncall 5551234567 JOHN DOE\n");
    const QByteArray call = readUntil("NAME=JOHN DOE\r\n\r\nRING\r\n");
    QVERIFY2(call.startsWith("X\rA\r\nRING\r\n\r\nDATE="), call.constData());
    QVERIFY(call.contains("\r\nNMBR=5551234567\r\n"));

    process.write("quit\n");
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestModemSimulator)
#include "tst_modemsimulator.moc"
