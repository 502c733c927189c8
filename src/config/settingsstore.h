// SPDX-License-Identifier: GPL-2.0-or-later
// QuillonCID.ini: profile-file reads and writes key by key, and the
// serial-port group.
#pragma once

#include "config/workingsettings.h"

#include <QString>

namespace Quillon {

// appDir + "/QuillonCID.ini"
QString iniPathFor(const QString& appDir);

// The key's value; the default when file, section or key is missing. Section
// and key match in any letter case. At most 254 characters come back.
QString GetIniValue(const QString& iniPath, const QString& section, const QString& key, const QString& defaultValue);
// Writes one key, creating file, section or key; CR and LF become spaces.
// Leaves every other line of the file as it was. False when the write failed.
bool SetIniValue(const QString& iniPath, const QString& section, const QString& key, const QString& value);

// "True"/"False" in any case, or a number (0 false); otherwise the default.
bool iniBool(const QString& text, bool defaultValue);
// A decimal 16-bit integer; otherwise the default.
qint16 iniInt16(const QString& text, qint16 defaultValue);
inline QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// Why the file is there but cannot be read (no permission, a directory),
// else empty. Reads then give defaults, and writes leave the file alone.
QString iniReadProblem(const QString& iniPath);

// Reads the serial-port group.
CommSettings LoadCommSettings(const QString& iniPath);
void SaveCommSettings(const QString& iniPath, const CommSettings& comm);

// Reads Cnfg and the [Settings] keys in the order the main window loads them.
void loadShellSettings(const QString& iniPath, WorkingSettings& settings);
// The working settings' serial-port group, read and replaced as one.
inline const CommSettings& commSettingsOf(const WorkingSettings& settings)
{
    return settings;
}
inline void setCommSettings(WorkingSettings& settings, const CommSettings& comm)
{
    static_cast<CommSettings&>(settings) = comm;
}

} // namespace Quillon
