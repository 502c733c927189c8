// SPDX-License-Identifier: GPL-2.0-or-later
#include "autostart.h"

#include "platform/appinfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Quillon {

Autostart::Autostart(const QString& autostartDir, const QString& programPath)
    : m_dir(autostartDir)
    , m_programPath(programPath)
{ }

QString Autostart::entryPath() const
{
    return m_dir + QLatin1Char('/') + QStringLiteral(QUILLON_APP_ID) + QStringLiteral(".desktop");
}

bool Autostart::isEnabled() const
{
    return QFileInfo(entryPath()).isFile();
}

QString Autostart::execValue(const QString& programPath)
{
    // A path with a reserved character goes in double quotes, inside which
    // '"', '`', '$' and '\' take a backslash. The value is a string too, so
    // each backslash is doubled once more; '%' would start a field code.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString program = programPath;
    program.replace(QLatin1Char('%'), QStringLiteral("%%"));
    const bool quote = std::any_of(program.begin(), program.end(), [](QChar c) { return reserved.contains(c); });
    if (quote) {
        QString quoted;
        for (const QChar c : std::as_const(program)) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        program = QLatin1Char('"') + quoted + QLatin1Char('"');
    }
    return program + QStringLiteral(" --minimized");
}

bool Autostart::setEnabled(bool on)
{
    if (!on)
        return !QFileInfo::exists(entryPath()) || QFile::remove(entryPath());
    if (!QDir().mkpath(m_dir))
        return false;
    QSaveFile file(entryPath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=")
        + programTitle()
        + QStringLiteral("\n"
                         "Comment=See who is calling before you answer, from a caller-ID modem\n"
                         "Exec=")
        + execValue(m_programPath)
        + QStringLiteral("\n"
                         "Icon=" QUILLON_APP_ID "\n"
                         "Terminal=false\n"
                         "X-GNOME-Autostart-enabled=true\n");
    file.write(entry.toUtf8());
    return file.commit();
}

} // namespace Quillon
