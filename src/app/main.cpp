// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/application.h"
#include "app/desktophelpviewer.h"
#include "app/maindisplaywindow.h"
#include "app/qtmessageboxes.h"
#include "app/qtsoundplayer.h"
#include "platform/appinfo.h"
#include "platform/clock.h"
#include "platform/qtserialport.h"

#include <QApplication>
#include <QIcon>

using namespace Quillon;

int main(int argc, char* argv[])
{
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
    QtSerialPort port(appDir);

    Application program(appDir, AppServices { clock, boxes, sound, help, port });
    QObject::connect(&program, &Application::programEnded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
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
