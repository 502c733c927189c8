// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/helpviewer.h"

namespace Quillon {

// Opens documents with the desktop's default application (a browser for HTML).
class DesktopHelpViewer final : public HelpViewer
{
public:
    bool open(const QString& path) override;
};

} // namespace Quillon
