// SPDX-License-Identifier: GPL-2.0-or-later
#include "records/recordlist.h"

namespace Quillon {

QString tableName(RecordList list)
{
    switch (list) {
    case RecordList::Calls:
        return QStringLiteral("CID");
    case RecordList::Reject:
        return QStringLiteral("Reject");
    case RecordList::Translate:
        break;
    }
    return QStringLiteral("Translate");
}

bool recordListFromWord(const QString& word, RecordList& list)
{
    for (RecordList candidate : { RecordList::Calls, RecordList::Reject, RecordList::Translate }) {
        if (word == recordListWord(candidate)) {
            list = candidate;
            return true;
        }
    }
    return false;
}

QString recordListWord(RecordList list)
{
    switch (list) {
    case RecordList::Calls:
        return QStringLiteral("calls");
    case RecordList::Reject:
        return QStringLiteral("reject");
    case RecordList::Translate:
        break;
    }
    return QStringLiteral("translate");
}

} // namespace Quillon
