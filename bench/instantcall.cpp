// SPDX-License-Identifier: GPL-2.0-or-later
// How soon the real program acts on a caller-ID report: QuillonCID runs in a
// temporary folder with the simulated modem on its port. For each call, from
// the report's last byte leaving the modem to (a) the call's row in
// CallerID.mdb and (b) "ATA" reaching the modem for a caller on the reject
// list (which starts with the 100 ms the modem is given before the answer).
// Medians over the calls; goal (a) under 50 ms.
//   bench_instantcall [calls [program]]   (default 20, and the program of this build)
#include "modemsimulator.h"
#include "records/databasefile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Quillon;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// Runs the event loop (the simulated modem answers the program meanwhile)
// until done() or the timeout.
template<typename Done> bool waitFor(Done done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("QuillonCID"));
    QString error;
    const QString built
        = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(QUILLON_BINARY_DIR "/src/QuillonCID");
    if (!QFile::copy(built, program)
        || !createCallDatabase(dir.filePath(QStringLiteral("CallerID.mdb")), QStringLiteral(QUILLON_SCHEMA_PATH),
                               &error)) {
        std::fprintf(stderr, "setup failed: %s\n", qPrintable(error));
        return 1;
    }
    Sim::ModemSimulator modem(Sim::ModemSimulator::Mode::EventDriven);
    modem.setAcceptedCidCommand(QStringLiteral("AT#CID=1"));
    if (!modem.start(&error)) {
        std::fprintf(stderr, "no simulated modem: %s\n", qPrintable(error));
        return 1;
    }
    QFile ini(dir.filePath(QStringLiteral("QuillonCID.ini")));
    if (!ini.open(QIODevice::WriteOnly)
        || ini.write(
               "[Comm]\r\nCnfg=True\r\nComPort=1\r\n[Settings]\r\nReject=True\r\nRingIn=False\r\n[Ports]\r\nComm1="
               + modem.portPath().toUtf8() + "\r\n")
            < 0)
        return 1;
    ini.close();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(dir.filePath(QStringLiteral("CallerID.mdb")));
    if (!db.open()
        || !QSqlQuery(db).exec(QStringLiteral("INSERT INTO Reject (Number, Name) VALUES ('555-000-9999', 'X')")))
        return 1;
    auto storedCalls = [&db] {
        QSqlQuery query(QStringLiteral("SELECT count(*) FROM CID"), db);
        return query.next() ? query.value(0).toInt() : -1;
    };

    QProcess quillon;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    quillon.setProcessEnvironment(env);
    quillon.setWorkingDirectory(dir.path());
    quillon.start(program, {});
    // Started, the modem initialised and its answer checked a second later.
    if (!waitFor([&] { return modem.receivedCommands().contains(QStringLiteral("AT#CID=1")); }, 20000)) {
        std::fprintf(stderr, "the program did not initialise the modem\n");
        return 1;
    }
    waitFor([] { return false; }, 2000);

    QElapsedTimer clock;
    clock.start();
    qint64 ataAt = -1;
    QObject::connect(&modem, &Sim::ModemSimulator::commandReceived, [&](const QString& command) {
        if (command == QLatin1String("ATA") && ataAt < 0)
            ataAt = clock.nsecsElapsed();
    });
    std::vector<double> toRow;
    std::vector<double> toAnswer;
    for (int i = 0; i < 2 * calls; ++i) {
        const bool rejected = i % 2 == 1;
        const int before = storedCalls();
        ataAt = -1;
        const QString number
            = rejected ? QStringLiteral("5550009999") : QStringLiteral("555100%1").arg(i, 4, 10, QLatin1Char('0'));
        modem.sendRaw("\r\nRING\r\n" + modem.callBlock({ .number = number, .name = QStringLiteral("CALLER") }));
        const qint64 sent = clock.nsecsElapsed(); // the pseudo-terminal has the last byte
        const bool done = rejected ? waitFor([&] { return ataAt >= 0; }, 15000)
                                   : waitFor([&] { return storedCalls() > before; }, 15000);
        if (!done) {
            std::fprintf(stderr, "call %d was not %s\n", i, rejected ? "answered" : "stored");
            return 1;
        }
        const double ms = ((rejected ? ataAt : clock.nsecsElapsed()) - sent) / 1e6;
        (rejected ? toAnswer : toRow).push_back(ms);
        // The hang-up and the re-initialisation end before the next ring.
        waitFor([] { return false; }, 2500);
    }
    quillon.terminate();
    quillon.waitForFinished(10000);
    std::printf("calls: %d of each kind\n", calls);
    std::printf("report's last byte to the row in CallerID.mdb: median %.1f ms (min %.1f, max %.1f)\n", median(toRow),
                *std::min_element(toRow.begin(), toRow.end()), *std::max_element(toRow.begin(), toRow.end()));
    std::printf("report's last byte to ATA for a rejected caller: median %.1f ms (min %.1f, max %.1f), "
                "of which 100 ms is the wait before answering\n",
                median(toAnswer), *std::min_element(toAnswer.begin(), toAnswer.end()),
                *std::max_element(toAnswer.begin(), toAnswer.end()));
    return 0;
}
