// SPDX-License-Identifier: GPL-2.0-or-later
// quillon-modemsim: a voice modem on a pseudo-terminal for trials without a
// modem. Prints the port path, then takes commands from a script and stdin.
#include "modemsimulator.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QStringList>
#include <QTextStream>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <unistd.h>

using Quillon::Sim::Caller;
using Quillon::Sim::ModemSimulator;

namespace {

const char* const usage = R"(Usage: quillon-modemsim [--link PATH] [--script FILE]

A voice modem on a pseudo-terminal. The first line printed is the path of the
port to open (point a Comm key of [Ports] in QuillonCID.ini at it, or at the
--link path). Commands are then read from FILE (when given) and from standard
input, one a line; '#' starts a comment. The program runs until "quit",
Ctrl-C or SIGTERM.

Options:
  --link PATH     also make PATH a symbolic link to the port (removed on exit)
  --script FILE   play the commands in FILE first
  --help          show this text

Commands:
  call NUMBER [NAME...]   RING, a caller-ID block (date and time of now), RING;
                          NUMBER "-" leaves the number line out
  ring                    one RING
  raw TEXT                send TEXT; \r \n \t \\ and \xNN are escapes
  noise BYTES             send BYTES random bytes, as a noisy line would
  tags spaced|unspaced    "DATE = 0612" or "DATE=0612"
  accept [COMMAND]        the caller-ID command answered OK (none when empty;
                          at start AT#CID=1, the program's default)
  results numeric|verbal  "0"/"4" or "OK"/"ERROR"
  echo on|off             echo received characters
  delay MS                delay before every answer
  linegap MS              gap between the lines of a caller-ID block
  ringgap MS              gap between a RING and the caller-ID block
  silent on|off           on: behave like a port with no modem
  sleep MS                wait before the next command
  help                    show this text
  quit                    end the program

The modem answers "AT", "AT&F", "ATZ", "ATA", "ATH0", "ATE0/1", "ATV0/1" and
the accepted caller-ID command with OK, anything else starting with AT with
ERROR, and ignores lines that do not start with AT (a lone CR included).
)";

int signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

QByteArray unescape(const QString& text)
{
    const QByteArray in = text.toLatin1();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in.at(i);
        if (c != '\\' || i + 1 >= in.size()) {
            out.append(c);
            continue;
        }
        const char e = in.at(++i);
        switch (e) {
        case 'r':
            out.append('\r');
            break;
        case 'n':
            out.append('\n');
            break;
        case 't':
            out.append('\t');
            break;
        case 'x': {
            bool ok = false;
            const int value = in.mid(i + 1, 2).toInt(&ok, 16);
            if (ok && i + 2 < in.size()) {
                out.append(static_cast<char>(value));
                i += 2;
            } else {
                out.append("\\x");
            }
            break;
        }
        default:
            out.append(e);
        }
    }
    return out;
}

class Console : public QObject
{
public:
    explicit Console(ModemSimulator& modem)
        : m_modem(modem)
    { }

    void addLines(const QStringList& lines)
    {
        m_queue.append(lines);
        scheduleNext(0);
    }

    void readStdin()
    {
        char buffer[1024];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            // End of input: keep serving the port until quit or a signal.
            delete m_stdin;
            m_stdin = nullptr;
            if (!m_partial.isEmpty())
                addLines({ QString::fromLocal8Bit(m_partial) });
            m_partial.clear();
            return;
        }
        m_partial.append(buffer, n);
        QStringList lines;
        qsizetype end;
        while ((end = m_partial.indexOf('\n')) >= 0) {
            lines.append(QString::fromLocal8Bit(m_partial.left(end)));
            m_partial.remove(0, end + 1);
        }
        addLines(lines);
    }

    void watchStdin()
    {
        m_stdin = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(m_stdin, &QSocketNotifier::activated, this, [this] { readStdin(); });
    }

private:
    void scheduleNext(int ms)
    {
        if (m_waiting)
            return;
        m_waiting = true;
        QTimer::singleShot(ms, this, [this] {
            m_waiting = false;
            runQueued();
        });
    }

    void runQueued()
    {
        while (!m_queue.isEmpty()) {
            const int sleepMs = run(m_queue.takeFirst());
            if (sleepMs > 0) {
                scheduleNext(sleepMs);
                return;
            }
        }
    }

    static bool onOff(const QString& word, bool* ok)
    {
        *ok = word == QLatin1String("on") || word == QLatin1String("off");
        return word == QLatin1String("on");
    }

    // Runs one command line; returns how long to pause before the next one.
    int run(const QString& rawLine)
    {
        QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            return 0;
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        const QString word = blank < 0 ? line : line.left(blank);
        const QString rest = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        bool ok = true;
        bool flag = false;
        const int number = rest.toInt();

        if (word == QLatin1String("call")) {
            Caller caller;
            const QDateTime now = QDateTime::currentDateTime();
            caller.date = now.toString(QStringLiteral("MMdd"));
            caller.time = now.toString(QStringLiteral("HHmm"));
            const qsizetype split = rest.indexOf(QLatin1Char(' '));
            caller.number = split < 0 ? rest : rest.left(split);
            if (caller.number == QLatin1String("-"))
                caller.number.clear();
            caller.name = split < 0 ? QString() : rest.mid(split + 1).trimmed();
            m_modem.sendCall(caller);
        } else if (word == QLatin1String("ring")) {
            m_modem.sendRing();
        } else if (word == QLatin1String("raw")) {
            m_modem.sendRaw(unescape(rest));
        } else if (word == QLatin1String("noise")) {
            ok = number > 0;
            QByteArray bytes(ok ? number : 0, Qt::Uninitialized);
            QRandomGenerator* random = QRandomGenerator::global();
            for (char& byte : bytes)
                byte = static_cast<char>(random->bounded(256));
            m_modem.sendRaw(bytes);
        } else if (word == QLatin1String("tags")) {
            ok = rest == QLatin1String("spaced") || rest == QLatin1String("unspaced");
            if (ok)
                m_modem.setSpacedTags(rest == QLatin1String("spaced"));
        } else if (word == QLatin1String("accept")) {
            m_modem.setAcceptedCidCommand(rest);
        } else if (word == QLatin1String("results")) {
            ok = rest == QLatin1String("numeric") || rest == QLatin1String("verbal");
            if (ok)
                m_modem.setNumericResults(rest == QLatin1String("numeric"));
        } else if (word == QLatin1String("echo")) {
            flag = onOff(rest, &ok);
            if (ok)
                m_modem.setEcho(flag);
        } else if (word == QLatin1String("silent")) {
            flag = onOff(rest, &ok);
            if (ok)
                m_modem.setRespondsToAt(!flag);
        } else if (word == QLatin1String("delay")) {
            m_modem.setAnswerDelayMs(number);
        } else if (word == QLatin1String("linegap")) {
            m_modem.setLineGapMs(number);
        } else if (word == QLatin1String("ringgap")) {
            m_modem.setRingGapMs(number);
        } else if (word == QLatin1String("sleep")) {
            return qMax(1, number);
        } else if (word == QLatin1String("help")) {
            std::fputs(usage, stderr);
        } else if (word == QLatin1String("quit")) {
            QCoreApplication::quit();
            m_queue.clear();
        } else {
            ok = false;
        }
        if (!ok)
            std::fprintf(stderr, "quillon-modemsim: cannot do \"%s\" (try help)\n", qPrintable(line));
        return 0;
    }

    ModemSimulator& m_modem;
    QStringList m_queue;
    QByteArray m_partial;
    QSocketNotifier* m_stdin = nullptr;
    bool m_waiting = false;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString linkPath;
    QString scriptPath;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if ((arg == QLatin1String("--link") || arg == QLatin1String("--script")) && i + 1 < args.size()) {
            (arg == QLatin1String("--link") ? linkPath : scriptPath) = args.at(++i);
            continue;
        }
        std::fprintf(stderr, "quillon-modemsim: unknown argument \"%s\"\n%s", qPrintable(arg), usage);
        return 2;
    }

    QStringList script;
    if (!scriptPath.isEmpty()) {
        QFile file(scriptPath);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            std::fprintf(stderr, "quillon-modemsim: cannot read %s\n", qPrintable(scriptPath));
            return 1;
        }
        script = QString::fromLocal8Bit(file.readAll()).split(QLatin1Char('\n'));
    }

    ModemSimulator modem(ModemSimulator::Mode::EventDriven);
    modem.setAcceptedCidCommand(QStringLiteral("AT#CID=1"));
    QString error;
    if (!modem.start(&error)) {
        std::fprintf(stderr, "quillon-modemsim: %s\n", qPrintable(error));
        return 1;
    }
    if (!linkPath.isEmpty() && !modem.createLink(linkPath, &error)) {
        std::fprintf(stderr, "quillon-modemsim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(modem.portPath()));
    std::fflush(stdout);
    QObject::connect(&modem, &ModemSimulator::commandReceived, &app,
                     [](const QString& command) { std::fprintf(stderr, "received: %s\n", qPrintable(command)); });

    if (::pipe(signalPipe) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
        auto* signalNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(signalNotifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    }

    Console console(modem);
    console.addLines(script);
    console.watchStdin();
    const int status = app.exec();
    modem.stop();
    return status;
}
