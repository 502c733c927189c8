// SPDX-License-Identifier: GPL-2.0-or-later
// Feeds arbitrary received bytes to the report parser and the number
// formats, and checks what the rest of the program relies on. Seeds are in
// fuzz/corpus/reportparser, tags in fuzz/reportparser.dict.
#include "config/numberformat.h"
#include "reception/reportparser.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace Quillon;

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool hasLineBreak(const QString& text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// "NONE" or two characters, the separator, two characters.
void checkSplitFour(const QString& value, QChar separator)
{
    check(value == QLatin1String("NONE") || (value.size() == 5 && value.at(2) == separator));
    check(!hasLineBreak(value));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString unknown = QStringLiteral("UNKNOWN");
    for (const qint16 length : { qint16(-1), qint16(0), qint16(8), qint16(10), qint16(11), qint16(300) }) {
        CidCall call;
        if (!ParseCidReport(text, length, call)) {
            check(call.Date == unknown && call.Time == unknown && call.Number == unknown && call.Name == unknown);
            continue;
        }
        checkSplitFour(call.Date, QLatin1Char('/'));
        checkSplitFour(call.Time, QLatin1Char(':'));
        check(!hasLineBreak(call.Number));
        check(call.Number == unknown || call.Number == QLatin1String("ID BLOCKED")
              || (call.Number.size() >= 5 && call.Number.size() <= length));
        check(!call.Number.startsWith(QLatin1Char(' ')) && !call.Number.endsWith(QLatin1Char(' ')));
        check(!call.Name.isNull());

        for (qint16 code = 0; code <= 9; ++code) {
            QString number = call.Number;
            FormatCidNumber(number, code);
            const qint16 expected = numberLengthForFormat(code);
            if (expected > 0 && call.Number.size() == expected && call.Number != QLatin1String("ID BLOCKED"))
                check(number.size() > call.Number.size() && number.size() <= call.Number.size() + 2);
            else
                check(number == call.Number);
        }
    }
    return 0;
}
