// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/messageboxes.h"

#include <QList>
#include <QString>

namespace Quillon::Test {

// Answers message boxes from a script and records every box shown.
class RecordingBoxes final : public MessageBoxes
{
public:
    struct Shown
    {
        QString text;
        QString caption;
        Icon icon;
        Buttons buttons;
    };

    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons) override;

    // Answers for the next Yes/No boxes, in order; when none is queued, Yes.
    void queueAnswer(Answer answer) { m_answers.append(answer); }

    QList<Shown> shown;

private:
    QList<Answer> m_answers;
};

} // namespace Quillon::Test
