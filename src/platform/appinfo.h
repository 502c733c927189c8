// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "quillonversion.h"

#include <QString>

namespace Quillon {

// The program's short title: default caption of message boxes, tray tooltip.
inline QString programTitle()
{
    return QStringLiteral("Quillon CallerID");
}

// "2.52.94", from the project version in CMakeLists.txt.
inline QString versionText()
{
    return QStringLiteral(QUILLON_VERSION_TEXT);
}

} // namespace Quillon
