// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/blockingsettings.h"

#include "config/settingsstore.h"
#include "config/workingsettings.h"

#include <QRegularExpression>

namespace Quillon {

namespace {

const QString section = QStringLiteral("Blocking");

} // namespace

bool parseQuietHours(const QString& text, QuietHours* hours)
{
    static const QRegularExpression span(QStringLiteral("^\\s*(\\d{1,2}:\\d\\d)\\s*-\\s*(\\d{1,2}:\\d\\d)\\s*$"));
    const QRegularExpressionMatch match = span.match(text);
    if (!match.hasMatch())
        return false;
    const QTime from = QTime::fromString(match.captured(1), QStringLiteral("H:mm"));
    const QTime to = QTime::fromString(match.captured(2), QStringLiteral("H:mm"));
    if (!from.isValid() || !to.isValid())
        return false;
    if (hours)
        *hours = { from, to };
    return true;
}

bool inQuietHours(const QString& text, const QTime& now)
{
    QuietHours hours;
    if (!parseQuietHours(text, &hours))
        return false;
    if (hours.from <= hours.to)
        return now >= hours.from && now < hours.to;
    return now >= hours.from || now < hours.to;
}

// A malformed span is kept as it was typed, so that the window shows it, but
// blocks nothing.
void loadBlockingSettings(const QString& iniPath, WorkingSettings& settings)
{
    auto read = [&](const char* key, const QString& defaultValue) {
        return GetIniValue(iniPath, section, QString::fromLatin1(key), defaultValue);
    };
    settings.Hidden = iniBool(read("Hidden", QString()), false);
    settings.AllowListOnly = iniBool(read("AllowListOnly", QString()), false);
    settings.QuietHours = read("QuietHours", QString()).trimmed();
    settings.HangUpFax = read("HangUp", QStringLiteral("Answer")).trimmed().compare(u"Fax", Qt::CaseInsensitive) == 0;
}

bool saveBlockingSettings(const QString& iniPath, const WorkingSettings& settings)
{
    bool ok = SetIniValue(iniPath, section, QStringLiteral("Hidden"), boolText(settings.Hidden));
    ok = SetIniValue(iniPath, section, QStringLiteral("AllowListOnly"), boolText(settings.AllowListOnly)) && ok;
    ok = SetIniValue(iniPath, section, QStringLiteral("QuietHours"), settings.QuietHours) && ok;
    ok = SetIniValue(iniPath, section, QStringLiteral("HangUp"),
                     settings.HangUpFax ? QStringLiteral("Fax") : QStringLiteral("Answer"))
        && ok;
    return ok;
}

} // namespace Quillon
