// SPDX-License-Identifier: GPL-2.0-or-later
// Feeds arbitrary bytes from a network peer through the line reader and the
// decoder, and checks what the server and the network source rely on. Seeds
// are in fuzz/corpus/ncidline.
#include "network/ncidcall.h"
#include "network/ncidline.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace Quillon;

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool isNoneOrSplit(const QString& value, QChar separator)
{
    return value == QLatin1String("NONE") || (value.size() == 5 && value.at(2) == separator);
}

void checkLine(const QByteArray& bytes)
{
    check(bytes.size() <= ncidMaxLineBytes && !bytes.contains('\n'));
    const NcidLine line = decodeNcidLine(bytes);
    if (line.kind == NcidLine::Kind::Status)
        check(line.status >= 0 && line.status <= 999);
    if (!line.isCallKind())
        return;
    const CidCall call = cidCallFromNcid(line);
    check(isNoneOrSplit(call.Date, QLatin1Char('/')) && isNoneOrSplit(call.Time, QLatin1Char(':')));
    check(!call.Number.isEmpty() && !call.Name.isEmpty());

    // What the program sends again decodes to the same labels, one line.
    const QByteArray sent = encodeNcidLine(line.type, line.fields);
    check(sent.endsWith('\n') && sent.count('\n') == 1);
    const NcidLine again = decodeNcidLine(sent.chopped(1));
    check(again.kind == line.kind && again.fields.size() == line.fields.size());
    for (qsizetype i = 0; i < line.fields.size(); ++i)
        check(again.fields.at(i).first == line.fields.at(i).first);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // A leading control byte shrinks the line bound, so that short inputs
    // (a fast run) still reach the over-long line path.
    const qsizetype bound
        = !bytes.isEmpty() && bytes.front() >= 0 && bytes.front() < 0x10 ? 8 * (1 + bytes.front()) : ncidMaxLineBytes;
    // The same stream whole and in uneven pieces gives the same lines.
    NcidLineReader whole(bound);
    NcidLineReader pieces(bound);
    whole.append(bytes);
    for (qsizetype at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 % 97 + 1)
        pieces.append(bytes.sliced(at, qMin(step, bytes.size() - at)));
    QByteArray a;
    QByteArray b;
    for (;;) {
        const bool gotA = whole.next(a);
        const bool gotB = pieces.next(b);
        check(gotA == gotB);
        if (!gotA)
            break;
        check(a == b && a.size() <= bound);
        checkLine(a);
    }
    check(whole.droppedLines() == pieces.droppedLines());
    // Text with no line end is decoded as one line: each input is decoded
    // once, which keeps the runs quick.
    if (!bytes.contains('\n'))
        checkLine(bytes.first(qMin<qsizetype>(bytes.size(), ncidMaxLineBytes)).toByteArray());
    return 0;
}
