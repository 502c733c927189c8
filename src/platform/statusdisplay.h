// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

namespace Quillon {

// The visible part of the ready status (status bar text, Start/Suspend
// buttons); the main window implements it. Logging is done by the caller.
class StatusDisplay
{
public:
    virtual ~StatusDisplay() = default;
    virtual void showReady(bool ready) = 0;
};

} // namespace Quillon
