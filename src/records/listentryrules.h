// SPDX-License-Identifier: GPL-2.0-or-later
// What the Reject and Translate windows store for what was typed, and what
// they show again when an entry is loaded for a change.
#pragma once

#include <QString>

namespace Quillon {

struct ListEntry
{
    QString number;
    QString name;
    // Nothing to store.
    bool isEmpty() const { return number.isEmpty() && name.isEmpty(); }
};

// Stored on the reject list in place of a missing number or name.
QString rejectNoNumber();
QString rejectNoName();

// Stored as typed, neither trimmed: the name in capitals, a number of digits
// in the chosen layout; a missing half gets its stand-in. Empty when nothing
// was typed.
ListEntry rejectEntry(const QString& typedNumber, const QString& typedName, qint16 format);
// The boxes for a stored entry: its stand-ins shown as empty.
ListEntry rejectEntryBoxes(const ListEntry& stored);

// "LAST FIRST" in capitals and trimmed, the number in the chosen layout.
// Empty unless there is a number and at least one of the names.
ListEntry translateEntry(const QString& typedNumber, const QString& firstName, const QString& lastName, qint16 format);

struct PersonName
{
    QString last;
    QString first;
};
// What becomes of a listed number when the layout changes to format: laid
// out anew when its digits fit (or already in it), else left as it is. The
// reject list's stand-in and texts without a digit (the special values) are
// no numbers to lay out.
enum class Relayout
{
    NotANumber,
    Unchanged,
    Rewritten,
    Left,
};
Relayout relayoutNumber(const QString& number, qint16 format, QString* laidOut);

// A reject entry holding '*' (any run of characters, none too) or '?' (one
// character) is a pattern over the whole number or name; any other entry
// matches only the very same text.
bool isRejectPattern(QStringView entry);
bool rejectEntryMatches(QStringView entry, QStringView text);

// A listed name split for the boxes: its first word is the last name, so
// that storing the boxes unchanged gives the same name back.
PersonName splitListedName(const QString& name);

} // namespace Quillon
