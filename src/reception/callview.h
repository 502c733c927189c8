// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

namespace Quillon {

// The steps of call processing that belong to the main window.
class CallView
{
public:
    virtual ~CallView() = default;
    virtual void PlayRingSound() = 0;
    // New row on top of the call list; the window title becomes the name.
    virtual void AddCallToList(const QString& name, const QString& number) = 0;
    // Pops up the notification when the window is minimised and notify is on.
    virtual void ShowCallNotify(const QString& name, const QString& number) = 0;
    virtual void SelectNewestCall() = 0;
};

} // namespace Quillon
