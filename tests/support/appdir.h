// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace Quillon::Test {

// A throw-away application directory: settings file, database and log live here.
class AppDir
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString iniPath() const { return file(QStringLiteral("QuillonCID.ini")); }
    QString logPath() const { return file(QStringLiteral("CID.Log")); }
    QString databasePath() const { return file(QStringLiteral("CallerID.mdb")); }

    // CallerID.mdb made from src/records/schema.sql, unless one is there.
    bool createDatabase() const;
    void writeIni(const QString& content) const; // empty: no file
    QString readFile(const QString& name) const;
    // CID.Log's entry lines with the time stamp cut off (header lines dropped).
    QStringList logMessages() const;

private:
    QTemporaryDir m_dir;
};

} // namespace Quillon::Test
