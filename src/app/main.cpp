// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/application.h"
#include "app/desktophelpviewer.h"
#include "app/filelocations.h"
#include "app/maindisplaywindow.h"
#include "app/qtmessageboxes.h"
#include "app/qtsoundplayer.h"
#include "app/terminationsignals.h"
#include "app/transfercommand.h"
#include "platform/appinfo.h"
#include "platform/clock.h"
#include "platform/qtserialport.h"

#include <QApplication>
#include <QIcon>
#include <QProcessEnvironment>
#include <QTextStream>

#include <cstdio>
#include <cstring>
#include <sys/stat.h>

using namespace Quillon;

namespace {

const char* const usage = R"(Usage: QuillonCID [--minimized]

Shows who is calling, from a caller-ID modem on a serial port.

Options:
  --minimized    start hidden in the system tray (shown when there is none)
  --export calls|reject|translate FILE
                 write the stored calls or a list to FILE and end
  --import calls|reject|translate FILE
                 add the rows in FILE to the stored calls or a list and end
  -h, --help     show this text and end
  -v, --version  show the version and end

Installed, each user's settings are in ~/.config/QuillonCID and the calls and
the log in ~/.local/share/QuillonCID; a copy in a writable folder that holds
QuillonCID.ini or CallerID.mdb keeps every file beside itself. See QuillonCID(1).
)";

bool isOption(const char* argument, const char* shortName, const char* longName)
{
    return (shortName && std::strcmp(argument, shortName) == 0) || std::strcmp(argument, longName) == 0;
}

// Once the application object exists: where this user's files are, made
// ready on an installed copy's first start.
FileLocations userFiles()
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const FileLocations files
        = chooseFileLocations(exeDir, isWritableFolder(exeDir), QProcessEnvironment::systemEnvironment());
    if (files.mode == FileLocations::Mode::Installed) {
        // Calls, names and the log are the user's own business.
        ::umask(077);
        QString error;
        // Without its folders the program still starts and says which file it
        // misses, as it does for a database gone from beside a portable copy.
        if (!prepareUserFiles(files, &error))
            std::fprintf(stderr, "QuillonCID: %s\n", qPrintable(error));
    }
    return files;
}

} // namespace

int main(int argc, char* argv[])
{
    // Answered before Qt starts, so that they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (isOption(argv[i], "-h", "--help")) {
            std::fputs(usage, stdout);
            return 0;
        }
        if (isOption(argv[i], "-v", "--version")) {
            std::printf("QuillonCID %s\n", QUILLON_VERSION_TEXT);
            return 0;
        }
    }
    // Import and export run without a display, beside a running program.
    if (isTransferCommand(argc, argv)) {
        QCoreApplication core(argc, argv);
        const FileLocations files = userFiles();
        QTextStream out(stdout);
        QTextStream err(stderr);
        return runTransferCommand(QCoreApplication::arguments().mid(1), files, out, err);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuillonCID"));
    QApplication::setApplicationVersion(versionText());
    QGuiApplication::setDesktopFileName(QStringLiteral(QUILLON_APP_ID));
    // The main window spends its time hidden in the tray: closing the popup
    // then must not end the program. Only Exit and closing the window do.
    QApplication::setQuitOnLastWindowClosed(false);

    // Qt has taken its own options (-platform, -style ...) out of argv.
    bool minimized = false;
    for (int i = 1; i < argc; ++i) {
        if (isOption(argv[i], nullptr, "--minimized")) {
            minimized = true;
            continue;
        }
        std::fprintf(stderr, "QuillonCID: unknown option '%s'\nTry 'QuillonCID --help'.\n", argv[i]);
        return 2;
    }

    const FileLocations files = userFiles();
    SystemClock clock;
    QtMessageBoxes boxes;
    QtSoundPlayer sound;
    DesktopHelpViewer help;
    QtSerialPort port;

    Application program(files, AppServices { clock, boxes, sound, help, port });
    // exit() rather than quit(): it also ends a modal box's loop that may be
    // open when the window is closed from outside (logout, shutdown).
    QObject::connect(
        &program, &Application::programEnded, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    // Logout and shutdown ask the program to end: close as the close box does,
    // but without a question that would hold the session up.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::closeRequested, &program,
                     [&program] { program.mainWindow()->closeWithoutAsking(); });
    switch (program.Main(minimized)) {
    case Application::StartResult::AlreadyRunning:
        return 0;
    case Application::StartResult::NoDatabase:
        return 1;
    case Application::StartResult::Running:
        break;
    }
    // Exit may have been chosen while the first start was still configuring.
    if (program.ended())
        return 0;
    return app.exec();
}
