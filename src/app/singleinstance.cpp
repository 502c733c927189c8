// SPDX-License-Identifier: GPL-2.0-or-later
#include "singleinstance.h"

#include <QLockFile>

namespace Quillon {

SingleInstance::SingleInstance(const QString& appDir)
    : m_lock(std::make_unique<QLockFile>(appDir + QStringLiteral("/QuillonCID.lock")))
{
    // The program runs for weeks: the lock must never go stale by age, only
    // when the process that holds it is gone.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::tryToBecomeOnly()
{
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
