// SPDX-License-Identifier: GPL-2.0-or-later
// The three lists CallerID.mdb holds.
#pragma once

#include <QString>

namespace Quillon {

enum class RecordList
{
    Calls,
    Reject,
    Translate
};

// The list's table: CID, Reject or Translate.
QString tableName(RecordList list);
// "calls", "reject", "translate"; false for any other word.
bool recordListFromWord(const QString& word, RecordList& list);
QString recordListWord(RecordList list);

} // namespace Quillon
