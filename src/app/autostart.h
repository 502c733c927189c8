// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

namespace Quillon {

// The desktop's autostart entry that starts the program, hidden in the tray,
// when the user logs in: <autostartDir>/<application id>.desktop.
class Autostart
{
public:
    Autostart(const QString& autostartDir, const QString& programPath);

    QString entryPath() const;
    bool isEnabled() const;
    // Writes or removes the entry; false when that failed.
    bool setEnabled(bool on);

    // The Exec line's command: the program, quoted as desktop entries want
    // when its path needs it, and --minimized.
    static QString execValue(const QString& programPath);

private:
    QString m_dir;
    QString m_programPath;
};

} // namespace Quillon
