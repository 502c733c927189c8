// SPDX-License-Identifier: GPL-2.0-or-later
#include "activitylog.h"

#include "config/workingsettings.h"
#include "platform/appinfo.h"
#include "platform/clock.h"
#include "platform/datetimetext.h"

#include <QFile>
#include <QFileInfo>

namespace Quillon {

namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");

// Opens, writes and closes, so the file is complete on disk after each call
// and other programs may move or delete it in between.
bool appendBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    // The log holds callers' numbers: a file made here is its owner's alone.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    const bool written = file.write(bytes) == bytes.size();
    const bool flushed = file.flush();
    file.close();
    return written && flushed && file.error() == QFileDevice::NoError;
}

} // namespace

ActivityLog::ActivityLog(const QString& appDir, const WorkingSettings& settings, const Clock& clock)
    : m_appDir(appDir)
    , m_settings(settings)
    , m_clock(clock)
{ }

bool ActivityLog::WriteLog(const QString& message)
{
    const QString logPath = path();
    if (!QFileInfo::exists(logPath)) {
        const QByteArray stars(85, '*');
        QByteArray header;
        header += stars + LineEnd;
        header += QByteArrayLiteral("Process Name:            Quillon CallerID") + LineEnd;
        header += QByteArrayLiteral("Executable Version:      ") + versionText().toLatin1() + LineEnd;
        header += QByteArrayLiteral("Executable Image:        ") + m_appDir.toUtf8() + QByteArrayLiteral("/QuillonCID")
            + LineEnd;
        header += LineEnd;
        header += stars + LineEnd;
        header += LineEnd;
        header += LineEnd;
        if (!appendBytes(logPath, header))
            return false;
    }
    const QString line = dateTimeText(m_clock.now()) + QLatin1Char(' ') + message;
    return appendBytes(logPath, line.toUtf8() + LineEnd);
}

bool ActivityLog::log(const QString& message)
{
    if (!enabled())
        return true;
    return WriteLog(message);
}

bool ActivityLog::enabled() const
{
    return m_settings.EnableLog;
}

QString ActivityLog::path() const
{
    return m_appDir + QStringLiteral("/CID.Log");
}

QString ActivityLog::excerpt(const QString& text)
{
    if (text.size() <= ExcerptLength)
        return text;
    // Both ends: how a burst of noise began, and the end where a report
    // that closed it would be.
    const qsizetype half = ExcerptLength / 2;
    const qsizetype cut = text.size() - 2 * half;
    return text.left(half) + QStringLiteral("[... %1 characters not logged ...]").arg(cut) + text.right(half);
}

void ActivityLog::logCommSettings(const CommSettings& comm)
{
    if (!enabled())
        return;
    WriteLog(QStringLiteral("Comm Port = ") + QString::number(comm.ComPort));
    WriteLog(QStringLiteral("Baud = ") + comm.Baud);
}

} // namespace Quillon
