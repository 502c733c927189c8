// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the settings-file reader and writer with arbitrary file contents: no
// crash, and a value just written is what the next read returns.
#include "config/settingsstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>

namespace {

QString scratchPath()
{
    static const QString path
        = QDir::tempPath() + QStringLiteral("/quillon-fuzz-%1.ini").arg(QCoreApplication::applicationPid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Quillon;
    const QString path = scratchPath();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }

    static const char* const sections[] = { "Comm", "Modem", "Settings", "Ports", "" };
    static const char* const keys[] = { "ComPort", "Baud", "ModemStrng", "Cnfg", "Comm1", "" };
    for (const char* section : sections) {
        for (const char* key : keys) {
            const QString value = GetIniValue(path, QLatin1String(section), QLatin1String(key), QStringLiteral("dflt"));
            if (value.size() > 254)
                std::abort();
            iniBool(value, false);
            iniInt16(value, 1);
        }
    }

    const QString written = QStringLiteral("V") + QString::number(size);
    if (SetIniValue(path, QStringLiteral("Comm"), QStringLiteral("Baud"), written)
        && GetIniValue(path, QStringLiteral("Comm"), QStringLiteral("Baud"), QString()) != written)
        std::abort();
    QFile::remove(path);
    return 0;
}
