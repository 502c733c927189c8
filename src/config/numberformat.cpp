// SPDX-License-Identifier: GPL-2.0-or-later
#include "numberformat.h"

#include <array>

namespace Quillon {

namespace {

struct NumberLayout
{
    qint16 length;
    // Piece lengths and the separator put after each piece but the last.
    std::array<qsizetype, 3> pieces;
    std::array<char, 2> separators;
};

// Indexed by format code - 1; a zero piece ends the layout early.
constexpr std::array<NumberLayout, 8> Layouts { {
    { 10, { 3, 3, 4 }, { '-', '-' } }, // 123-456-7890
    { 10, { 2, 4, 4 }, { ' ', '-' } }, // 12 3456-7890
    { 11, { 4, 3, 4 }, { ' ', '-' } }, // 1234 567-8901
    { 11, { 5, 6, 0 }, { '-', 0 } }, // 12345-678901
    { 9, { 2, 7, 0 }, { '-', 0 } }, // 12-3456789
    { 10, { 4, 6, 0 }, { ' ', 0 } }, // 1234 567890
    { 11, { 3, 4, 4 }, { ' ', '-' } }, // 123 4567-8901
    { 8, { 4, 4, 0 }, { ' ', 0 } }, // 1234 5678
} };

} // namespace

void FormatCidNumber(QString& number, qint16 format)
{
    if (format < 1 || format > 8)
        return;
    const NumberLayout& layout = Layouts[static_cast<size_t>(format - 1)];
    if (number.size() != layout.length || number == QLatin1String("ID BLOCKED"))
        return;
    QString formatted;
    formatted.reserve(layout.length + 2);
    qsizetype position = 0;
    for (size_t i = 0; i < layout.pieces.size() && layout.pieces[i] > 0; ++i) {
        if (i > 0)
            formatted += QLatin1Char(layout.separators[i - 1]);
        formatted += number.mid(position, layout.pieces[i]);
        position += layout.pieces[i];
    }
    number = formatted;
}

QString numberInLayout(const QString& typed, qint16 format)
{
    static const QString separators = QStringLiteral(" -./()");
    QString digits;
    for (const QChar c : typed) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
        else if (!separators.contains(c))
            return typed;
    }
    if (digits.isEmpty() || digits.size() != numberLengthForFormat(format))
        return typed;
    FormatCidNumber(digits, format);
    return digits;
}

QString layoutPattern(qint16 format)
{
    QString pattern(numberLengthForFormat(format), QLatin1Char('x'));
    FormatCidNumber(pattern, format);
    return pattern;
}

qint16 numberLengthForFormat(qint16 format)
{
    if (format < 1 || format > 8)
        return 0;
    return Layouts[static_cast<size_t>(format - 1)].length;
}

} // namespace Quillon
