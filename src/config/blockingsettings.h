// SPDX-License-Identifier: GPL-2.0-or-later
// The [Blocking] section of QuillonCID.ini: which callers are rejected
// besides those on the reject list, and how the line is dropped.
#pragma once

#include <QString>
#include <QTime>

namespace Quillon {

struct WorkingSettings;

struct QuietHours
{
    QTime from;
    QTime to;
};

// "HH:MM-HH:MM" (blanks around the dash allowed); false for anything else.
bool parseQuietHours(const QString& text, QuietHours* hours = nullptr);
// Whether now falls in from..to, to excluded; a span whose end comes before
// its start runs across midnight. Empty or malformed text: never.
bool inQuietHours(const QString& text, const QTime& now);

void loadBlockingSettings(const QString& iniPath, WorkingSettings& settings);
// False when the file could not be written.
bool saveBlockingSettings(const QString& iniPath, const WorkingSettings& settings);

} // namespace Quillon
