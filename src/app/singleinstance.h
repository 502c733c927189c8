// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace Quillon {

// One running copy per application directory: a lock file beside the
// settings file, held for the life of the process.
class SingleInstance
{
public:
    explicit SingleInstance(const QString& appDir);
    ~SingleInstance();
    Q_DISABLE_COPY_MOVE(SingleInstance)

    // True when this process is now the only running copy. A lock left by a
    // copy that has ended is taken over. Also true when no lock file can be
    // made at all: then nothing shows another copy.
    bool tryToBecomeOnly();
    QString lockPath() const;

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace Quillon
