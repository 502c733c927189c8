// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktophelpviewer.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace Quillon {

namespace {

// xdg-open reports a missing browser only through its exit code; a browser
// it runs in the foreground keeps it running. Waited for no longer than this.
constexpr int OpenerAnswerMs = 3000;

} // namespace

bool DesktopHelpViewer::open(const QString& path)
{
    const QUrl url = QUrl::fromLocalFile(path);
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty())
        return QDesktopServices::openUrl(url);

    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({ url.toString() });
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            process->deleteLater();
    });
    process->start();
    if (!process->waitForStarted(OpenerAnswerMs))
        return false;
    if (!process->waitForFinished(OpenerAnswerMs))
        return true; // a browser is running in its foreground
    return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}

} // namespace Quillon
