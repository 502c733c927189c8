// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/transfercommand.h"

#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "records/calldatabase.h"
#include "records/recordtransfer.h"

#include <QTextStream>

#include <cstring>

namespace Quillon {

namespace {

QString oneLine(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString listTitle(RecordList list)
{
    switch (list) {
    case RecordList::Calls:
        return QStringLiteral("the stored calls");
    case RecordList::Reject:
        return QStringLiteral("the reject list");
    case RecordList::Translate:
        break;
    }
    return QStringLiteral("the translate list");
}

// "1 call", "3 calls", "1 entry of the reject list".
QString writtenText(RecordList list, qint64 written)
{
    const QString count = QString::number(written);
    if (list == RecordList::Calls)
        return count + (written == 1 ? QStringLiteral(" call") : QStringLiteral(" calls"));
    return count + (written == 1 ? QStringLiteral(" entry of ") : QStringLiteral(" entries of ")) + listTitle(list);
}

} // namespace

bool isTransferCommand(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--export") == 0 || std::strcmp(argv[i], "--import") == 0)
            return true;
    }
    return false;
}

int runTransferCommand(const QStringList& arguments, const FileLocations& files, QTextStream& out, QTextStream& err)
{
    const auto failed = [&err](const QString& why) {
        err << "QuillonCID: " << oneLine(why) << Qt::endl;
        return 1;
    };
    RecordList list = RecordList::Calls;
    const bool exporting = arguments.value(0) == u"--export";
    if (arguments.size() != 3 || (!exporting && arguments.value(0) != u"--import")
        || !recordListFromWord(arguments[1], list) || arguments[2].isEmpty())
        return failed(QStringLiteral("usage: QuillonCID --export calls|reject|translate FILE"
                                     " or QuillonCID --import calls|reject|translate FILE"));
    const QString path = arguments[2];

    const QString databasePath = files.databasePath();
    DatabaseFileConnection connection(databasePath);
    if (!connection.isOpen())
        return failed(connection.error());

    if (exporting) {
        const ExportResult result = exportRecords(connection.database(), list, path);
        if (!result.ok)
            return failed(QStringLiteral("nothing exported: ") + result.error);
        out << "Exported " << writtenText(list, result.written) << " to " << path << Qt::endl;
        return 0;
    }

    // A damaged file is not written to: it would spread the damage.
    const QuickCheck check = CallDatabase::quickCheck(databasePath);
    if (check.damaged)
        return failed(QStringLiteral("nothing imported: CallerID.mdb is damaged (%1)").arg(check.result));

    // Numbers from a network call log are laid out as the program shows them.
    WorkingSettings settings;
    loadShellSettings(files.iniPath(), settings);
    const ImportResult result = importRecords(connection.database(), list, path, { settings.Format });
    if (!result.ok)
        return failed(QStringLiteral("nothing imported from %1: %2").arg(path, result.error));
    out << "Imported " << path << " into " << listTitle(list) << ": " << result.added << " added, " << result.skipped
        << " skipped, " << result.refused << " refused";
    if (result.leftAsTyped > 0)
        out << ", " << result.leftAsTyped << " numbers left as typed (not in the number format)";
    out << Qt::endl;
    return 0;
}

} // namespace Quillon
