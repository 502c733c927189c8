// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace Quillon {

// One running copy per application directory: a local socket named for the
// user and the directory, which needs no file at all, and a lock file beside
// the settings file, which also keeps out other users' copies.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& appDir);
    ~SingleInstance();
    Q_DISABLE_COPY_MOVE(SingleInstance)

    // True when this process is now the only running copy. A lock left by a
    // copy that has ended is taken over. A full disk or a directory that
    // takes no lock file still lets only one copy run.
    // A copy that finds another running asks it to show itself.
    bool tryToBecomeOnly();
    // Called in the running copy when a later one asks it to show itself.
    void onSecondStart(std::function<void()> show) { m_show = std::move(show); }
    QString lockPath() const;
    QString serverName() const { return m_serverName; }

private:
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QLocalServer> m_server;
    QString m_serverName;
    std::function<void()> m_show;
};

} // namespace Quillon
