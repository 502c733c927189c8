// SPDX-License-Identifier: GPL-2.0-or-later
// The modem's caller-ID report, as text received between the rings.
#pragma once

#include <QDateTime>
#include <QString>

namespace Quillon {

struct CidCall
{
    QString Date;
    QString Time;
    QString Number;
    QString Name;
    // The number as the modem or the server sent it, before it was laid out
    // in the chosen format; empty when not known.
    QString Digits;
    // Set by the pipeline when the caller was rejected (answered and hung up).
    bool Rejected = false;
    // When the call came, as its source tells it with the year (a server's
    // call log); invalid when only Date and Time tell it.
    QDateTime When {};
};

// Fills call from one burst of received text; false (and every field
// "UNKNOWN") when the text holds no date tag of either family.
bool ParseCidReport(const QString& text, qint16 nmbrLngth, CidCall& call);

} // namespace Quillon
