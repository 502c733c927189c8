// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordingboxes.h"

namespace Quillon::Test {

MessageBoxes::Answer RecordingBoxes::show(const QString& text, const QString& caption, Icon icon, Buttons buttons)
{
    shown.append({text, caption, icon, buttons});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return m_answers.isEmpty() ? Answer::Yes : m_answers.takeFirst();
}

} // namespace Quillon::Test
