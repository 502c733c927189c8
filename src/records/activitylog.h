// SPDX-License-Identifier: GPL-2.0-or-later
// CID.Log, the activity log beside the program.
#pragma once

#include <QString>

namespace Quillon {

class Clock;
struct CommSettings;
struct WorkingSettings;

class ActivityLog
{
public:
    ActivityLog(const QString& appDir, const WorkingSettings& settings, const Clock& clock);

    // Appends one time-stamped line, writing the header block first when the
    // file does not exist. Does not look at the log flag. False when the file
    // could not be written; nothing else is reported.
    bool WriteLog(const QString& message);
    // WriteLog only while the log flag is on; what nearly every caller wants.
    bool log(const QString& message);
    bool enabled() const;
    // "Comm Port = " and "Baud = " lines, written whenever the serial-port
    // group has just been read (while the log flag is on).
    void logCommSettings(const CommSettings& comm);

    QString path() const;

    // Received text as a log line carries it: whole up to ExcerptLength
    // characters, else its start and end around a note of how much was cut.
    static constexpr qsizetype ExcerptLength = 4096;
    static QString excerpt(const QString& text);

private:
    QString m_appDir;
    const WorkingSettings& m_settings;
    const Clock& m_clock;
};

} // namespace Quillon
