// SPDX-License-Identifier: GPL-2.0-or-later
#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

#include <unistd.h>

namespace Quillon {

namespace {

// The abstract namespace: no socket file, so it works on a full disk, and
// the name goes with the process that holds it, even after a crash.
constexpr auto abstractName = QLocalServer::AbstractNamespaceOption;
constexpr int answerWaitMs = 1000;

} // namespace

SingleInstance::SingleInstance(const QString& appDir)
    : m_lock(std::make_unique<QLockFile>(appDir + QStringLiteral("/QuillonCID.lock")))
{
    // The program runs for weeks: the lock must never go stale by age, only
    // when the process that holds it is gone.
    m_lock->setStaleLockTime(0);
    const QString canonical = QFileInfo(appDir).canonicalFilePath();
    const QByteArray folder
        = QDir::cleanPath(canonical.isEmpty() ? QFileInfo(appDir).absoluteFilePath() : canonical).toUtf8();
    m_serverName = QStringLiteral("QuillonCID-%1-").arg(getuid())
        + QString::fromLatin1(QCryptographicHash::hash(folder, QCryptographicHash::Sha256).toHex().left(24));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryToBecomeOnly()
{
    if (!m_server) {
        QLocalSocket probe;
        probe.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        probe.connectToServer(m_serverName);
        if (probe.waitForConnected(answerWaitMs))
            return false;
        auto server = std::make_unique<QLocalServer>();
        server->setSocketOptions(abstractName);
        if (server->listen(m_serverName)) {
            // Nothing is said on the socket; a copy that knocks just learns that this one runs.
            QLocalServer* listening = server.get();
            QObject::connect(listening, &QLocalServer::newConnection, listening, [listening] {
                while (QLocalSocket* knock = listening->nextPendingConnection()) {
                    knock->disconnectFromServer();
                    knock->deleteLater();
                }
            });
            m_server = std::move(server);
        } else if (server->serverError() == QAbstractSocket::AddressInUseError) {
            return false; // another copy got there between the knock and now
        }
    }
    if (m_lock->isLocked() || m_lock->tryLock(0))
        return true;
    // Only a lock held by a running copy means one: a directory that takes no
    // lock file must not make the program vanish without a word.
    return m_lock->error() != QLockFile::LockFailedError;
}

QString SingleInstance::lockPath() const
{
    return m_lock->fileName();
}

} // namespace Quillon
