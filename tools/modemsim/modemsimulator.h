// SPDX-License-Identifier: GPL-2.0-or-later
// A voice modem on the master side of a pseudo-terminal. The program under
// test opens the slave side (portPath()) like any serial device.
//
// Two ways to drive it:
//  - event-driven (the quillon-modemsim program, the demo): start() installs
//    a socket notifier and real-time timers;
//  - pumped (tests with a fake clock): call advance(ms) from the clock's wait
//    hook; it reads what arrived, answers, and releases delayed answers and
//    scheduled lines whose simulated time has come. No threads, no sleeps.
//
// What it answers (letter case and blanks in commands do not matter, as with
// real modems): "AT", "AT&F", "ATZ", "ATA", "ATH"/"ATH0", "ATE0"/"ATE1" (echo),
// "ATV0"/"ATV1" (numeric/verbal results) and the accepted caller-ID command
// get OK; any other line starting with AT gets ERROR. A line that does not
// start with AT, the empty line (a lone carriage return) included, gets no
// result at all: a modem waits for "AT" before it takes a command. Every
// line is recorded all the same.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

namespace Quillon::Sim {

struct Caller
{
    QString date = QStringLiteral("0612"); // value of the DATE tag; empty = no DATE line
    QString time = QStringLiteral("1432"); // empty = no TIME line
    QString number; // empty = no NMBR line
    QString name; // empty = no NAME line
};

class ModemSimulator : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        EventDriven,
        Pumped
    };

    explicit ModemSimulator(Mode mode = Mode::Pumped, QObject* parent = nullptr);
    ~ModemSimulator() override;
    Q_DISABLE_COPY_MOVE(ModemSimulator)

    bool start(QString* error = nullptr);
    // Closes the master side: the program sees the device vanish.
    void stop();
    bool isRunning() const;
    QString portPath() const;
    // A symbolic link to portPath() (replacing one left there), removed by
    // stop(). Lets a settings file name a fixed path for a fresh simulator.
    bool createLink(const QString& linkPath, QString* error = nullptr);
    QString linkPath() const;

    // Behaviour.
    void setRespondsToAt(bool responds); // false: a port with no modem (silence)
    void setAcceptedCidCommand(const QString& c); // the one caller-ID command answered OK; others ERROR; empty: none
    void setNumericResults(bool numeric); // "0"/"4" instead of "OK"/"ERROR"
    void setEcho(bool echo); // echo each command line back (default off)
    void setAnswerDelayMs(int ms); // delay before every answer
    void setSpacedTags(bool spaced); // "DATE = 0612" or "DATE=0612"
    void setLineGapMs(int ms); // gap between lines of a caller-ID block
    void setRingGapMs(int ms); // gap between a RING and the caller-ID block

    bool respondsToAt() const;
    QString acceptedCidCommand() const;
    bool numericResults() const;
    bool echo() const;
    int answerDelayMs() const;
    bool spacedTags() const;

    // Pumped mode: the longest a pump waits for the bytes the program has
    // written to come through (the kernel moves them a moment later).
    void setReadWaitMs(int ms);

    // Every command line received, without its carriage return, in order.
    QStringList receivedCommands() const;
    // Every byte received, line ends included; cleared with the commands.
    QByteArray receivedBytes() const;
    void clearReceivedCommands();

    // Injection.
    void sendRaw(const QByteArray& bytes);
    void sendRing();
    // RING, the caller-ID block (DATE, TIME, NMBR, NAME lines, each CR LF), RING.
    void sendCall(const Caller& caller);
    // The caller-ID block alone: CR LF, then one CR LF ended line per tag.
    QByteArray callBlock(const Caller& caller) const;

    // Pumped mode: let ms of simulated time pass.
    void advance(int ms);
    // Reads and handles whatever the program has written so far.
    void pump();
    // Simulated milliseconds since start() (pumped), real ones (event-driven).
    qint64 elapsedMs() const;
    // Bytes scheduled but not yet sent.
    bool hasPendingOutput() const;

Q_SIGNALS:
    void commandReceived(const QString& command);

private:
    struct Private;
    Private* d;
};

} // namespace Quillon::Sim
