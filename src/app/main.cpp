// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/application.h"
#include "app/desktophelpviewer.h"
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
#include <QTextStream>

using namespace Quillon;

int main(int argc, char* argv[])
{
    // Import and export run without a display, beside a running program.
    if (isTransferCommand(argc, argv)) {
        QCoreApplication core(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return runTransferCommand(QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath(), out,
                                  err);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QuillonCID"));
    QApplication::setApplicationVersion(versionText());
    // The main window spends its time hidden in the tray: closing the popup
    // then must not end the program. Only Exit and closing the window do.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString appDir = QCoreApplication::applicationDirPath();
    SystemClock clock;
    QtMessageBoxes boxes;
    QtSoundPlayer sound;
    DesktopHelpViewer help;
    QtSerialPort port;

    Application program(appDir, AppServices { clock, boxes, sound, help, port });
    // exit() rather than quit(): it also ends a modal box's loop that may be
    // open when the window is closed from outside (logout, shutdown).
    QObject::connect(
        &program, &Application::programEnded, &app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    // Logout and shutdown ask the program to end: close as the close box does,
    // but without a question that would hold the session up.
    TerminationSignals termination;
    QObject::connect(&termination, &TerminationSignals::closeRequested, &program, [&program] {
        if (program.mainWindow())
            program.mainWindow()->closeWithoutAsking();
    });
    switch (program.Main()) {
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
