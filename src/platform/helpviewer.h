// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

namespace Quillon {

class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    // Opens the document in the desktop's viewer without waiting for it.
    virtual bool open(const QString& path) = 0;
};

} // namespace Quillon
