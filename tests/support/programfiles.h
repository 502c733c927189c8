// SPDX-License-Identifier: GPL-2.0-or-later
// The program and its files seen from outside: runs, file contents and permissions, the desktop's validators.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace Quillon::Test {

inline constexpr int kPrivateFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
inline constexpr int kPrivateFile = QFile::ReadOwner | QFile::WriteOwner;

// Read, write and execute for owner, group and others: Qt's 0x7077, the bits for "user" left out.
inline int permissionBits(const QString& path)
{
    return int(QFileInfo(path).permissions() & 0x7077);
}

inline QByteArray fileBytes(const QString& path) // empty when it cannot be read
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& bytes = {}) // its folder made first
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

struct ProgramRun
{
    int status = -1; // the exit code; -1 when it crashed or did not finish
    QString out;
    QString err;
};

inline ProgramRun runProgram(const QString& program, const QStringList& arguments,
                             const QProcessEnvironment& environment = {}, int timeoutMs = 60000)
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    return { finished ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
             QString::fromUtf8(process.readAllStandardError()) };
}

// What the validator says against the file; empty when it passes. Strict: even a hint on standard output fails.
inline QString validatorComplaints(const QString& validator, QStringList arguments, const QString& path, bool strict)
{
    const QString tool = QStandardPaths::findExecutable(validator);
    if (tool.isEmpty())
        return validator + QStringLiteral(" is missing: run scripts/setup");
    const ProgramRun check = runProgram(tool, arguments << path);
    const bool passed = check.status == 0 && check.err.isEmpty() && (!strict || check.out.isEmpty());
    return passed ? QString() : check.out + check.err + QStringLiteral("(exit %1)").arg(check.status);
}

} // namespace Quillon::Test
