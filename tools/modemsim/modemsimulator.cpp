// SPDX-License-Identifier: GPL-2.0-or-later
#include "modemsimulator.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace Quillon::Sim {

namespace {

// Written by the simulator into the program's side of the line; no modem
// command holds these bytes.
const QByteArray Marker = QByteArrayLiteral("\x00\xffqsim\xff\x00");

struct Scheduled
{
    qint64 due;
    QByteArray bytes;
};

QString normalisedCommand(const QString& line)
{
    QString command = line.toUpper();
    command.remove(QLatin1Char(' '));
    return command;
}

int bytesWaitingOn(int fd)
{
    int count = 0;
    if (fd < 0 || ::ioctl(fd, FIONREAD, &count) != 0)
        return -1;
    return count;
}

} // namespace

struct ModemSimulator::Private
{
    ModemSimulator* q = nullptr;
    Mode mode = Mode::Pumped;
    int masterFd = -1;
    // Our own handle on the slave keeps the line up while the program has the
    // port closed (otherwise the master reports a hang-up), and shows how
    // many bytes wait on the program's side.
    int slaveFd = -1;
    QString slavePath;
    QString link;

    bool respondsToAt = true;
    QString accepted;
    bool numeric = false;
    bool echo = false;
    int answerDelayMs = 0;
    bool spaced = true;
    int lineGapMs = 0;
    int ringGapMs = 0;
    int readWaitMs = 1000;
    int markersOutstanding = 0;

    QStringList received;
    QByteArray receivedBytes;
    QByteArray lineBuffer;
    QList<Scheduled> queue; // ordered by due time, stable
    QByteArray unsent; // refused by a full master buffer, retried later

    qint64 simNow = 0;
    QElapsedTimer clock;
    QSocketNotifier* notifier = nullptr;
    QTimer* timer = nullptr;

    qint64 now() const { return mode == Mode::Pumped ? simNow : clock.elapsed(); }

    void schedule(const QByteArray& bytes, qint64 delayMs)
    {
        const qint64 due = now() + qMax<qint64>(0, delayMs);
        qsizetype at = queue.size();
        while (at > 0 && queue.at(at - 1).due > due)
            --at;
        queue.insert(at, { due, bytes });
        release();
    }

    // Sends every scheduled item whose time has come.
    void release()
    {
        while (!queue.isEmpty() && queue.first().due <= now())
            send(queue.takeFirst().bytes);
        rearmTimer();
    }

    void rearmTimer()
    {
        if (!timer)
            return;
        if (queue.isEmpty() && unsent.isEmpty()) {
            timer->stop();
            return;
        }
        qint64 wait = unsent.isEmpty() ? queue.first().due - now() : 10;
        if (!queue.isEmpty())
            wait = qMin(wait, queue.first().due - now());
        timer->start(static_cast<int>(qBound(qint64(0), wait, qint64(24) * 3600 * 1000)));
    }

    void send(const QByteArray& bytes)
    {
        if (masterFd < 0)
            return;
        unsent += bytes;
        const int before = bytesWaitingOn(slaveFd);
        qsizetype written = 0;
        while (written < unsent.size()) {
            const ssize_t n
                = ::write(masterFd, unsent.constData() + written, static_cast<size_t>(unsent.size() - written));
            if (n > 0) {
                written += n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break;
        }
        unsent.remove(0, written);
        if (mode == Mode::Pumped && written > 0 && before >= 0)
            waitUntilDelivered(before + static_cast<int>(written));
    }

    // The kernel hands written bytes to the other side a moment later; a
    // pumped test reads right after the wait, so wait here until they are
    // there. Bounded: a full line buffer never fills up further.
    void waitUntilDelivered(int expected)
    {
        const QDeadlineTimer deadline(200);
        while (!deadline.hasExpired()) {
            const int waiting = bytesWaitingOn(slaveFd);
            if (waiting < 0 || waiting >= expected)
                return;
            ::usleep(100);
        }
    }

    // Event-driven: reads one chunk of what the program wrote.
    void readAvailable()
    {
        if (masterFd < 0)
            return;
        char buffer[512];
        const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
        if (n > 0)
            handleInput(QByteArray(buffer, static_cast<qsizetype>(n)));
    }

    // Pumped: reads everything the program has written so far. The kernel
    // hands the program's bytes over a moment after its write returned, so
    // a marker goes down the same line behind them: once the marker is
    // here, so is everything written before it.
    void readPumped()
    {
        if (masterFd < 0)
            return;
        const bool marked = slaveFd >= 0 && ::write(slaveFd, Marker.constData(), Marker.size()) == Marker.size();
        QByteArray incoming;
        const QDeadlineTimer deadline(readWaitMs);
        for (;;) {
            pollfd pfd { masterFd, POLLIN, 0 };
            const int timeout = marked ? static_cast<int>(qMax<qint64>(0, deadline.remainingTime())) : 0;
            const int ready = ::poll(&pfd, 1, timeout);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0 || !(pfd.revents & POLLIN))
                break;
            char buffer[512];
            const ssize_t n = ::read(masterFd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            incoming.append(buffer, static_cast<qsizetype>(n));
            if (marked && incoming.endsWith(Marker))
                break;
        }
        if (marked)
            ++markersOutstanding;
        // A marker that came late (after a timeout) is dropped when it shows up.
        qsizetype at;
        while (markersOutstanding > 0 && (at = incoming.indexOf(Marker)) >= 0) {
            incoming.remove(at, Marker.size());
            --markersOutstanding;
        }
        if (!incoming.isEmpty())
            handleInput(incoming);
    }

    void handleInput(const QByteArray& bytes)
    {
        receivedBytes += bytes;
        if (respondsToAt && echo)
            send(bytes);
        for (const char c : bytes) {
            if (c == '\r') {
                const QString line = QString::fromLatin1(lineBuffer);
                lineBuffer.clear();
                handleLine(line);
            } else if (c != '\n') {
                lineBuffer.append(c);
            }
        }
    }

    QByteArray result(bool ok) const
    {
        if (numeric)
            return ok ? QByteArrayLiteral("0\r") : QByteArrayLiteral("4\r");
        return ok ? QByteArrayLiteral("\r\nOK\r\n") : QByteArrayLiteral("\r\nERROR\r\n");
    }

    void handleLine(const QString& line)
    {
        received.append(line);
        Q_EMIT q->commandReceived(line);
        if (!respondsToAt)
            return;
        const QString command = normalisedCommand(line);
        if (!command.startsWith(QLatin1String("AT")))
            return;
        const QString rest = command.mid(2);
        bool ok = false;
        if (rest.isEmpty() || rest == QLatin1String("&F") || rest == QLatin1String("Z") || rest == QLatin1String("A")
            || rest == QLatin1String("H") || rest == QLatin1String("H0")) {
            ok = true;
        } else if (rest == QLatin1String("E0") || rest == QLatin1String("E1")) {
            echo = rest.endsWith(QLatin1Char('1'));
            ok = true;
        } else if (rest == QLatin1String("+FCLASS=0") || rest == QLatin1String("+FCLASS=1")) {
            // Data or fax class: in fax class the answer sends the fax calling tone.
            ok = true;
        } else if (rest == QLatin1String("V0") || rest == QLatin1String("V1")) {
            numeric = rest.endsWith(QLatin1Char('0'));
            ok = true;
        } else {
            ok = !accepted.isEmpty() && command == normalisedCommand(accepted);
        }
        schedule(result(ok), answerDelayMs);
    }

    QByteArray ringText() const { return numeric ? QByteArrayLiteral("2\r") : QByteArrayLiteral("\r\nRING\r\n"); }

    QList<QByteArray> blockLines(const Caller& caller) const
    {
        const QLatin1String separator = spaced ? QLatin1String(" = ") : QLatin1String("=");
        QList<QByteArray> lines;
        const auto add = [&](const char* tag, const QString& value) {
            if (!value.isEmpty())
                lines.append(QString(QLatin1String(tag) + separator + value).toLatin1() + QByteArrayLiteral("\r\n"));
        };
        add("DATE", caller.date);
        add("TIME", caller.time);
        add("NMBR", caller.number);
        add("NAME", caller.name);
        if (!lines.isEmpty())
            lines.first().prepend(QByteArrayLiteral("\r\n"));
        return lines;
    }
};

ModemSimulator::ModemSimulator(Mode mode, QObject* parent)
    : QObject(parent)
    , d(new Private)
{
    d->q = this;
    d->mode = mode;
}

ModemSimulator::~ModemSimulator()
{
    stop();
    delete d;
}

bool ModemSimulator::start(QString* error)
{
    const auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        stop();
        return false;
    };
    if (isRunning())
        return true;
    d->masterFd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (d->masterFd < 0)
        return fail("posix_openpt");
    if (::grantpt(d->masterFd) != 0)
        return fail("grantpt");
    if (::unlockpt(d->masterFd) != 0)
        return fail("unlockpt");
    char name[128] = {};
    if (::ptsname_r(d->masterFd, name, sizeof name) != 0)
        return fail("ptsname");
    d->slavePath = QString::fromLocal8Bit(name);

    // Termios set through the master apply to the slave: raw 8-bit, no echo.
    termios tio {};
    if (::tcgetattr(d->masterFd, &tio) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&tio);
    if (::tcsetattr(d->masterFd, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    const int flags = ::fcntl(d->masterFd, F_GETFL);
    if (flags < 0 || ::fcntl(d->masterFd, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl");
    d->slaveFd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (d->slaveFd < 0)
        return fail("open slave");

    d->simNow = 0;
    d->clock.start();
    if (d->mode == Mode::EventDriven) {
        d->notifier = new QSocketNotifier(d->masterFd, QSocketNotifier::Read, this);
        connect(d->notifier, &QSocketNotifier::activated, this, [this] {
            d->readAvailable();
            d->release();
        });
        d->timer = new QTimer(this);
        d->timer->setSingleShot(true);
        connect(d->timer, &QTimer::timeout, this, [this] {
            if (!d->unsent.isEmpty())
                d->send({});
            d->release();
        });
    }
    return true;
}

void ModemSimulator::stop()
{
    delete d->notifier;
    d->notifier = nullptr;
    delete d->timer;
    d->timer = nullptr;
    if (d->masterFd >= 0)
        ::close(d->masterFd);
    d->masterFd = -1;
    if (d->slaveFd >= 0)
        ::close(d->slaveFd);
    d->slaveFd = -1;
    d->queue.clear();
    d->unsent.clear();
    d->lineBuffer.clear();
    if (!d->link.isEmpty()) {
        QFile::remove(d->link);
        d->link.clear();
    }
}

bool ModemSimulator::isRunning() const
{
    return d->masterFd >= 0;
}

QString ModemSimulator::portPath() const
{
    return d->slavePath;
}

bool ModemSimulator::createLink(const QString& linkPath, QString* error)
{
    if (!isRunning()) {
        if (error)
            *error = QStringLiteral("the simulator is not running");
        return false;
    }
    if (QFileInfo(linkPath).isSymLink())
        QFile::remove(linkPath);
    if (!QFile::link(d->slavePath, linkPath)) {
        if (error)
            *error = QStringLiteral("cannot create the link %1").arg(linkPath);
        return false;
    }
    if (!d->link.isEmpty() && d->link != linkPath)
        QFile::remove(d->link);
    d->link = linkPath;
    return true;
}

QString ModemSimulator::linkPath() const
{
    return d->link;
}

void ModemSimulator::setRespondsToAt(bool responds)
{
    d->respondsToAt = responds;
}

void ModemSimulator::setAcceptedCidCommand(const QString& c)
{
    d->accepted = c;
}

void ModemSimulator::setNumericResults(bool numeric)
{
    d->numeric = numeric;
}

void ModemSimulator::setEcho(bool echo)
{
    d->echo = echo;
}

void ModemSimulator::setAnswerDelayMs(int ms)
{
    d->answerDelayMs = qMax(0, ms);
}

void ModemSimulator::setSpacedTags(bool spaced)
{
    d->spaced = spaced;
}

void ModemSimulator::setLineGapMs(int ms)
{
    d->lineGapMs = qMax(0, ms);
}

void ModemSimulator::setRingGapMs(int ms)
{
    d->ringGapMs = qMax(0, ms);
}

bool ModemSimulator::respondsToAt() const
{
    return d->respondsToAt;
}

QString ModemSimulator::acceptedCidCommand() const
{
    return d->accepted;
}

bool ModemSimulator::numericResults() const
{
    return d->numeric;
}

bool ModemSimulator::echo() const
{
    return d->echo;
}

int ModemSimulator::answerDelayMs() const
{
    return d->answerDelayMs;
}

bool ModemSimulator::spacedTags() const
{
    return d->spaced;
}

void ModemSimulator::setReadWaitMs(int ms)
{
    d->readWaitMs = qMax(0, ms);
}

QStringList ModemSimulator::receivedCommands() const
{
    return d->received;
}

QByteArray ModemSimulator::receivedBytes() const
{
    return d->receivedBytes;
}

void ModemSimulator::clearReceivedCommands()
{
    d->received.clear();
    d->receivedBytes.clear();
}

void ModemSimulator::sendRaw(const QByteArray& bytes)
{
    d->schedule(bytes, 0);
}

void ModemSimulator::sendRing()
{
    d->schedule(d->ringText(), 0);
}

void ModemSimulator::sendCall(const Caller& caller)
{
    d->schedule(d->ringText(), 0);
    qint64 at = d->ringGapMs;
    const QList<QByteArray> lines = d->blockLines(caller);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            at += d->lineGapMs;
        d->schedule(lines.at(i), at);
    }
    d->schedule(d->ringText(), at + d->ringGapMs);
}

QByteArray ModemSimulator::callBlock(const Caller& caller) const
{
    return d->blockLines(caller).join();
}

void ModemSimulator::advance(int ms)
{
    pump();
    const qint64 target = d->simNow + qMax(0, ms);
    while (!d->queue.isEmpty() && d->queue.first().due <= target) {
        d->simNow = qMax(d->simNow, d->queue.first().due);
        d->release();
    }
    d->simNow = qMax(d->simNow, target);
}

void ModemSimulator::pump()
{
    if (!d->unsent.isEmpty())
        d->send({});
    if (d->mode == Mode::Pumped)
        d->readPumped();
    else
        d->readAvailable();
    d->release();
}

qint64 ModemSimulator::elapsedMs() const
{
    return d->now();
}

bool ModemSimulator::hasPendingOutput() const
{
    return !d->queue.isEmpty() || !d->unsent.isEmpty();
}

} // namespace Quillon::Sim
