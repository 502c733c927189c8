// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/messageboxes.h"

class QWidget;

namespace Quillon {

// Message boxes as QMessageBox shows them, modal to the whole program.
class QtMessageBoxes final : public MessageBoxes
{
public:
    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons) override;
};

} // namespace Quillon
