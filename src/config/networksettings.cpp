// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/networksettings.h"

#include "config/settingsstore.h"

namespace Quillon {

namespace {

const QString section = QStringLiteral("Network");

int readNumber(const QString& iniPath, const QString& key, int defaultValue, int lowest, int highest)
{
    bool ok = false;
    const int value = GetIniValue(iniPath, section, key, QString()).trimmed().toInt(&ok, 10);
    return ok && value >= lowest && value <= highest ? value : defaultValue;
}

bool readBool(const QString& iniPath, const QString& key, bool defaultValue)
{
    return iniBool(GetIniValue(iniPath, section, key, boolText(defaultValue)), defaultValue);
}

} // namespace

NetworkSettings LoadNetworkSettings(const QString& iniPath)
{
    const NetworkSettings defaults;
    NetworkSettings settings;
    settings.Share = readBool(iniPath, QStringLiteral("Share"), defaults.Share);
    settings.SharePort = readNumber(iniPath, QStringLiteral("SharePort"), defaults.SharePort, 1, 65535);
    settings.ShareAllHosts = readBool(iniPath, QStringLiteral("ShareAllHosts"), defaults.ShareAllHosts);
    settings.ShareLog = readNumber(iniPath, QStringLiteral("ShareLog"), defaults.ShareLog, 0, 1000000);
    settings.Receive = readBool(iniPath, QStringLiteral("Receive"), defaults.Receive);
    const QString host = GetIniValue(iniPath, section, QStringLiteral("ServerHost"), defaults.ServerHost).trimmed();
    settings.ServerHost = host.isEmpty() ? defaults.ServerHost : host;
    settings.ServerPort = readNumber(iniPath, QStringLiteral("ServerPort"), defaults.ServerPort, 1, 65535);
    return settings;
}

bool SaveNetworkSettings(const QString& iniPath, const NetworkSettings& settings)
{
    bool ok = SetIniValue(iniPath, section, QStringLiteral("Share"), boolText(settings.Share));
    ok = SetIniValue(iniPath, section, QStringLiteral("SharePort"), QString::number(settings.SharePort)) && ok;
    ok = SetIniValue(iniPath, section, QStringLiteral("ShareAllHosts"), boolText(settings.ShareAllHosts)) && ok;
    ok = SetIniValue(iniPath, section, QStringLiteral("ShareLog"), QString::number(settings.ShareLog)) && ok;
    ok = SetIniValue(iniPath, section, QStringLiteral("Receive"), boolText(settings.Receive)) && ok;
    ok = SetIniValue(iniPath, section, QStringLiteral("ServerHost"), settings.ServerHost) && ok;
    ok = SetIniValue(iniPath, section, QStringLiteral("ServerPort"), QString::number(settings.ServerPort)) && ok;
    return ok;
}

} // namespace Quillon
