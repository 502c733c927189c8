// SPDX-License-Identifier: GPL-2.0-or-later
// What received text is, before it is parsed: a call's rings and report, or
// nothing but the modem answering the program's own commands.
#pragma once

#include <QString>

namespace Quillon {

// True when the text holds a RING or a caller-ID tag (either spelling).
bool holdsCallText(const QString& text);

// True when the text holds a whole report: the date, time, number and name
// tags of one family (the date tag decides it, as the parser does), each
// with its line end after it. A report without a name, or one still coming
// in, is not whole.
bool holdsCompleteReport(const QString& text);

// True when every line is the modem's answer to a command ("OK", "ERROR",
// their numeric codes, an echoed AT command) or blank; so is empty text.
bool holdsOnlyModemAnswers(const QString& text);

} // namespace Quillon
