// SPDX-License-Identifier: GPL-2.0-or-later
// Modal message boxes, behind an interface so tests can answer them.
#pragma once

#include <QString>

namespace Quillon {

class MessageBoxes
{
public:
    enum class Icon
    {
        None,
        Stop,
        Exclamation
    };
    // YesNo has Yes as its default button; a question that deletes uses
    // YesNoDefaultNo, so that Enter keeps what is there.
    enum class Buttons
    {
        Ok,
        YesNo,
        YesNoDefaultNo
    };
    // NoAnswer: the box was closed because the program is ending.
    enum class Answer
    {
        Ok,
        Yes,
        No,
        NoAnswer
    };

    virtual ~MessageBoxes() = default;

    // An empty caption means the program's title.
    virtual Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons) = 0;
    // Closes a box with this text that is still up: what it reported is over.
    virtual void dismiss(const QString& text) { Q_UNUSED(text) }
};

} // namespace Quillon
