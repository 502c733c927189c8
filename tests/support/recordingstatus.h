// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/statusdisplay.h"

#include <QList>

namespace Quillon::Test {

class RecordingStatus final : public StatusDisplay
{
public:
    void showReady(bool ready) override { shown.append(ready); }
    QList<bool> shown;
};

} // namespace Quillon::Test
