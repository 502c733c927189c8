// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktophelpviewer.h"

#include <QDesktopServices>
#include <QUrl>

namespace Quillon {

bool DesktopHelpViewer::open(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace Quillon
