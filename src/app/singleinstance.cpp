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
// The one request a later copy makes.
constexpr char showRequest[] = "show\n";

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
        if (probe.waitForConnected(answerWaitMs)) {
            // Started again from the menu: the user wants the window, wherever it sits.
            probe.write(showRequest);
            probe.waitForBytesWritten(answerWaitMs);
            probe.disconnectFromServer();
            return false;
        }
        auto server = std::make_unique<QLocalServer>();
        server->setSocketOptions(abstractName);
        if (server->listen(m_serverName)) {
            // A copy that knocks learns that this one runs, and may ask it to show itself;
            // nothing else said on the socket does anything.
            QLocalServer* listening = server.get();
            QObject::connect(listening, &QLocalServer::newConnection, listening, [this, listening] {
                while (QLocalSocket* knock = listening->nextPendingConnection()) {
                    QObject::connect(knock, &QLocalSocket::disconnected, knock, &QObject::deleteLater);
                    QObject::connect(knock, &QLocalSocket::readyRead, knock, [this, knock] {
                        if (knock->bytesAvailable() > 64) {
                            knock->abort();
                            return;
                        }
                        if (!knock->canReadLine())
                            return;
                        const bool show = knock->readLine() == showRequest;
                        knock->disconnectFromServer();
                        if (show && m_show)
                            m_show();
                    });
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
