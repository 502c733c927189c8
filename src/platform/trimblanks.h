// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

namespace Quillon {

// Trimming as the program means it: blanks at both ends only; tabs and line
// breaks are part of the text.
inline QString trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace Quillon
