// SPDX-License-Identifier: GPL-2.0-or-later
#include "appdir.h"

#include "records/databasefile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace Quillon::Test {

bool AppDir::createDatabase() const
{
    // A file a test prepared itself (a damaged one, say) is left as it is.
    return QFileInfo::exists(databasePath()) || createCallDatabase(databasePath(), QStringLiteral(QUILLON_SCHEMA_PATH));
}

void AppDir::writeIni(const QString& content) const
{
    QFile file(iniPath());
    if (!content.isEmpty() && file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content.toLatin1());
}

QString AppDir::readFile(const QString& name) const
{
    QFile file(this->file(name));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

QStringList AppDir::logMessages() const
{
    // The locale's short date may hold blanks ("12 Jun 2026" in the C locale).
    static const QRegularExpression stamp(QStringLiteral("^[^:\\r\\n]{1,40}? \\d{1,2}:\\d{2}:\\d{2} "));
    QFile file(logPath());
    const QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    QStringList messages;
    bool inHeader = false;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        const QRegularExpressionMatch match = stamp.match(line);
        if (line.startsWith(QStringLiteral("*****")))
            inHeader = !inHeader;
        else if (inHeader)
            continue;
        else if (match.hasMatch())
            messages.append(line.mid(match.capturedLength()));
        else if (!messages.isEmpty())
            messages.last() += QStringLiteral("\r\n") + line; // raw modem text runs over several lines
    }
    // The file ends with CR LF, which leaves an empty continuation.
    if (!messages.isEmpty() && messages.last().endsWith(QStringLiteral("\r\n")))
        messages.last().chop(2);
    return messages;
}

} // namespace Quillon::Test
