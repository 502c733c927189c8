// SPDX-License-Identifier: GPL-2.0-or-later
// The eight number display formats.
#pragma once

#include <QString>

namespace Quillon {

// Rewrites number in place for format code 1..8 when it has exactly the
// code's length and is not "ID BLOCKED"; otherwise leaves it unchanged.
void FormatCidNumber(QString& number, qint16 format);
// The NmbrLngth that goes with a format code; 0 for an unknown code.
qint16 numberLengthForFormat(qint16 format);

} // namespace Quillon
