// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the CSV reader and the import file reader with arbitrary bytes: no
// crash, and records read then written read back the same.
#include "records/csvtext.h"
#include "records/recordtransfer.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace Quillon;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = decodeTextFile(bytes);

    QList<QStringList> records;
    CsvReader reader(text);
    QStringList fields;
    while (reader.next(fields))
        records.append(fields);
    if (!reader.failed()) {
        QByteArray written;
        for (const QStringList& record : std::as_const(records))
            appendCsvRecord(written, record);
        QList<QStringList> again;
        CsvReader second(decodeTextFile(written));
        while (second.next(fields))
            again.append(fields);
        if (second.failed() || again != records)
            std::abort();
    }

    for (RecordList list : { RecordList::Calls, RecordList::Reject, RecordList::Translate }) {
        const ImportRows rows = readImportFile(list, bytes);
        if (rows.ok != rows.error.isEmpty())
            std::abort();
        for (const QStringList& row : rows.rows) {
            if (row.size() != (list == RecordList::Calls ? 5 : 2))
                std::abort();
        }
    }
    return 0;
}
