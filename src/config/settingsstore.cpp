// SPDX-License-Identifier: GPL-2.0-or-later
#include "settingsstore.h"

#include "config/blockingsettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <limits>
#include <utility>

namespace Quillon {

namespace {

// The value buffer of the profile functions holds 255 characters with the
// terminating zero, so 254 come back at most.
constexpr qsizetype MaxValueLength = 254;

// One line of the file as it stands: its text and the terminator it had
// ("\r\n", "\n" or nothing on a last line without one).
struct IniLine
{
    QByteArray text;
    QByteArray ending;
};

QList<IniLine> splitLines(const QByteArray& bytes)
{
    QList<IniLine> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', start);
        if (lf < 0) {
            lines.append({ bytes.mid(start), QByteArray() });
            break;
        }
        qsizetype end = lf;
        if (end > start && bytes.at(end - 1) == '\r')
            --end;
        lines.append({ bytes.mid(start, end - start), bytes.mid(end, lf + 1 - end) });
        start = lf + 1;
    }
    return lines;
}

QString trimBlanksAndTabs(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto isSpace = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && isSpace(text.at(begin)))
        ++begin;
    while (end > begin && isSpace(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

// The section name when the line is a section header ("[Comm]"), else null.
QString sectionName(const QByteArray& line)
{
    const QString text = trimBlanksAndTabs(QString::fromUtf8(line));
    if (!text.startsWith(QLatin1Char('[')))
        return {};
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (close < 0)
        return {};
    return trimBlanksAndTabs(text.mid(1, close - 1));
}

bool isSectionLine(const QByteArray& line)
{
    return !sectionName(line).isNull();
}

// Position of the '=' when the line holds the key, else -1.
qsizetype keyEquals(const QByteArray& line, const QString& key)
{
    const QString text = QString::fromLatin1(line);
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq < 0)
        return -1;
    const QString name = trimBlanksAndTabs(text.left(eq));
    if (name.startsWith(QLatin1Char(';')))
        return -1;
    return name.compare(key, Qt::CaseInsensitive) == 0 ? eq : -1;
}

// Index of the first line after the header of the section, or -1.
qsizetype findSection(const QList<IniLine>& lines, const QString& section)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString name = sectionName(lines.at(i).text);
        if (!name.isNull() && name.compare(section, Qt::CaseInsensitive) == 0)
            return i + 1;
    }
    return -1;
}

// Added lines follow the file's own style: the ending of its first ended
// line, CR LF for a new file as the platform's profile files have.
QByteArray lineEndingOf(const QList<IniLine>& lines)
{
    for (const IniLine& line : lines) {
        if (!line.ending.isEmpty())
            return line.ending;
    }
    return QByteArrayLiteral("\r\n");
}

const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text)
    return !decoder.hasError();
}

// The file's bytes as UTF-8 without a byte-order mark. An older file written
// one byte per character is not valid UTF-8; it is turned into UTF-8 here, so
// that its characters survive and one write leaves one encoding in the file.
struct IniFile
{
    QByteArray bom;
    QByteArray utf8;
};

IniFile readFile(const QString& path, bool* ok)
{
    QFile file(path);
    if (!file.exists()) {
        *ok = true;
        return {};
    }
    *ok = file.open(QIODevice::ReadOnly);
    if (!*ok)
        return {};
    IniFile ini;
    ini.utf8 = file.readAll();
    if (ini.utf8.startsWith(Utf8Bom)) {
        ini.bom = Utf8Bom;
        ini.utf8.remove(0, Utf8Bom.size());
    }
    if (!isValidUtf8(ini.utf8))
        ini.utf8 = QString::fromLatin1(ini.utf8).toUtf8();
    return ini;
}

// A value in one pair of double quotes is read without them.
QString unquoted(const QString& value)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

QString iniPathFor(const QString& appDir)
{
    return appDir + QStringLiteral("/QuillonCID.ini");
}

QString GetIniValue(const QString& iniPath, const QString& section, const QString& key, const QString& defaultValue)
{
    bool ok = false;
    const QList<IniLine> lines = splitLines(readFile(iniPath, &ok).utf8);
    const qsizetype first = findSection(lines, section);
    if (first < 0)
        return defaultValue;
    for (qsizetype i = first; i < lines.size() && !isSectionLine(lines.at(i).text); ++i) {
        const QByteArray& line = lines.at(i).text;
        const qsizetype eq = keyEquals(line, key);
        if (eq >= 0)
            return unquoted(trimBlanksAndTabs(QString::fromUtf8(line.mid(eq + 1)))).left(MaxValueLength);
    }
    return defaultValue;
}

bool SetIniValue(const QString& iniPath, const QString& section, const QString& key, const QString& value)
{
    QString stored = value;
    stored.replace(QLatin1Char('\r'), QLatin1Char(' '));
    stored.replace(QLatin1Char('\n'), QLatin1Char(' '));

    bool readOk = false;
    const IniFile ini = readFile(iniPath, &readOk);
    if (!readOk)
        return false; // never replace a file that could not be read
    const QByteArray& original = ini.utf8;
    QList<IniLine> lines = splitLines(original);
    const QByteArray newLine = key.toUtf8() + '=' + stored.toUtf8();
    const QByteArray eol = lineEndingOf(lines);

    // A line added after the last line needs that line to be ended first.
    auto endLastLineBefore = [&lines, &eol](qsizetype index) {
        if (index > 0 && lines[index - 1].ending.isEmpty())
            lines[index - 1].ending = eol;
    };

    const qsizetype first = findSection(lines, section);
    if (first < 0) {
        endLastLineBefore(lines.size());
        lines.append({ QByteArray('[' + section.toUtf8() + ']'), eol });
        lines.append({ newLine, eol });
    } else {
        qsizetype insertAt = first; // after the section's last non-blank line
        bool replaced = false;
        for (qsizetype i = first; i < lines.size() && !isSectionLine(lines.at(i).text); ++i) {
            const qsizetype eq = keyEquals(lines.at(i).text, key);
            if (eq >= 0) {
                // The key keeps its own spelling; only the value changes.
                lines[i].text = lines.at(i).text.left(eq + 1) + stored.toUtf8();
                if (lines.at(i).ending.isEmpty())
                    lines[i].ending = eol;
                replaced = true;
                break;
            }
            if (!trimBlanksAndTabs(QString::fromLatin1(lines.at(i).text)).isEmpty())
                insertAt = i + 1;
        }
        if (!replaced) {
            endLastLineBefore(insertAt);
            lines.insert(insertAt, { newLine, eol });
        }
    }

    QByteArray bytes = ini.bom;
    bytes.reserve(ini.bom.size() + original.size() + newLine.size() + section.size() + 8);
    for (const IniLine& line : std::as_const(lines))
        bytes += line.text + line.ending;

    // Written to a temporary file and renamed, so that a failed write leaves
    // the old settings intact; in a directory that allows no new files the
    // file itself is written.
    QSaveFile file(iniPath);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool iniBool(const QString& text, bool defaultValue)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qlonglong number = trimmed.toLongLong(&ok, 10);
    return ok ? number != 0 : defaultValue;
}

qint16 iniInt16(const QString& text, qint16 defaultValue)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok, 10);
    if (!ok || number < std::numeric_limits<qint16>::min() || number > std::numeric_limits<qint16>::max())
        return defaultValue;
    return static_cast<qint16>(number);
}

QString iniReadProblem(const QString& iniPath)
{
    QFile file(iniPath);
    if (!file.exists())
        return {};
    if (QFileInfo(iniPath).isDir())
        return QStringLiteral("it is a folder");
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return {};
}

CommSettings LoadCommSettings(const QString& iniPath)
{
    const QString comm = QStringLiteral("Comm");
    CommSettings settings;
    settings.ComPort = iniInt16(GetIniValue(iniPath, comm, QStringLiteral("ComPort"), QStringLiteral("1")), 1);
    settings.Baud = GetIniValue(iniPath, comm, QStringLiteral("Baud"), QStringLiteral("14400"));
    settings.DataBit = GetIniValue(iniPath, comm, QStringLiteral("DataBit"), QStringLiteral("8"));
    settings.StopBit = GetIniValue(iniPath, comm, QStringLiteral("StopBit"), QStringLiteral("1"));
    settings.Parity = GetIniValue(iniPath, comm, QStringLiteral("Parity"), QStringLiteral("N"));
    settings.ModemStrng
        = GetIniValue(iniPath, QStringLiteral("Modem"), QStringLiteral("ModemStrng"), QStringLiteral("AT#CID=1"));
    return settings;
}

void SaveCommSettings(const QString& iniPath, const CommSettings& comm)
{
    const QString section = QStringLiteral("Comm");
    SetIniValue(iniPath, section, QStringLiteral("ComPort"), QString::number(comm.ComPort));
    SetIniValue(iniPath, section, QStringLiteral("Baud"), comm.Baud);
    SetIniValue(iniPath, section, QStringLiteral("Parity"), comm.Parity);
    SetIniValue(iniPath, section, QStringLiteral("DataBit"), comm.DataBit);
    SetIniValue(iniPath, section, QStringLiteral("StopBit"), comm.StopBit);
    SetIniValue(iniPath, QStringLiteral("Modem"), QStringLiteral("ModemStrng"), comm.ModemStrng);
}

void loadShellSettings(const QString& iniPath, WorkingSettings& settings)
{
    const QString section = QStringLiteral("Settings");
    auto readBool = [&](const QString& sec, const QString& key, bool defaultValue) {
        return iniBool(GetIniValue(iniPath, sec, key, boolText(defaultValue)), defaultValue);
    };
    auto readInt = [&](const QString& key, qint16 defaultValue) {
        return iniInt16(GetIniValue(iniPath, section, key, QString::number(defaultValue)), defaultValue);
    };
    settings.Cnfg = readBool(QStringLiteral("Comm"), QStringLiteral("Cnfg"), false);
    settings.EnableLog = readBool(section, QStringLiteral("EnableLog"), false);
    settings.Notify = readBool(section, QStringLiteral("Notify"), true);
    settings.Reject = readBool(section, QStringLiteral("Reject"), true);
    settings.RingIn = readBool(section, QStringLiteral("RingIn"), true);
    settings.Format = readInt(QStringLiteral("Format"), 1);
    settings.NmbrLngth = readInt(QStringLiteral("NmbrLngth"), 10);
    // 0 would turn every caller into "UNKNOWN"; the length is 1 to 254.
    if (settings.NmbrLngth < 1 || settings.NmbrLngth > 254)
        settings.NmbrLngth = 10;
    settings.ExitDelay = readBool(section, QStringLiteral("ExitDelay"), true);
    settings.NotifyInactive = readBool(section, QStringLiteral("NotifyInactive"), true);
    loadBlockingSettings(iniPath, settings);
}

} // namespace Quillon
