// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/messageboxes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

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

    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons) override
    {
        shown.append({ text, caption, icon, buttons });
        if (buttons == Buttons::Ok) {
            if (whileOkShown)
                std::exchange(whileOkShown, {})(caption);
            return Answer::Ok;
        }
        if (m_answers.isEmpty())
            return Answer::Yes;
        const auto [answer, meanwhile] = m_answers.takeFirst();
        if (meanwhile)
            meanwhile();
        return answer;
    }

    void dismiss(const QString& text) override { dismissed.append(text); }

    // Answers for the next Yes/No boxes, in order; when none is queued, Yes. meanwhile runs while the box is up, as the
    // user's or the desktop's doing before the answer.
    void queueAnswer(Answer answer, std::function<void()> meanwhile = {})
    {
        m_answers.append({ answer, std::move(meanwhile) });
    }

    QList<Shown> shown;
    QStringList dismissed; // the texts of boxes closed because what they told is over
    // Runs once, while the next OK box is up; given its caption.
    std::function<void(const QString&)> whileOkShown;

private:
    QList<std::pair<Answer, std::function<void()>>> m_answers; // each with what runs meanwhile
};

} // namespace Quillon::Test
