// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordingboxes.h"

namespace Quillon::Test {

MessageBoxes::Answer RecordingBoxes::show(const QString& text, const QString& caption, Icon icon, Buttons buttons)
{
    shown.append({ text, caption, icon, buttons });
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (m_answers.isEmpty())
        return Answer::Yes;
    const Scripted next = m_answers.takeFirst();
    if (next.meanwhile)
        next.meanwhile();
    return next.answer;
}

} // namespace Quillon::Test
