// SPDX-License-Identifier: GPL-2.0-or-later
// The eight number display formats.
#pragma once

#include <QString>

namespace Quillon {

// Rewrites number in place for format code 1..8 when it has exactly the
// code's length and is not "ID BLOCKED"; otherwise leaves it unchanged.
void FormatCidNumber(QString& number, qint16 format);
// A number the user typed, in the format's layout when it is digits and
// separators (blanks, - . / and brackets) with as many digits as the layout
// has; anything else as typed.
QString numberInLayout(const QString& typed, qint16 format);
// The layout with x for each digit, such as xxx-xxx-xxxx; empty for an
// unknown code.
QString layoutPattern(qint16 format);
// The NmbrLngth that goes with a format code; 0 for an unknown code.
qint16 numberLengthForFormat(qint16 format);

} // namespace Quillon
