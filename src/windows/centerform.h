// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QWidget;

namespace Quillon {

// Places the window in the middle of its screen; every window calls it when it loads.
void CenterForm(QWidget* window);

} // namespace Quillon
