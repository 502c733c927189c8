// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QRect;
class QWidget;

namespace Quillon {

// Places the window in the middle of its screen; every window calls it when it loads.
void CenterForm(QWidget* window);

// wanted moved, and shrunk where it is larger, so that it lies wholly inside area.
QRect fitInside(const QRect& wanted, const QRect& area);

// Puts the window at wanted, kept inside the free area (taskbars and panels
// excluded) of the screen that holds most of it; centred when it is on no screen.
void placeOnScreen(QWidget* window, const QRect& wanted);
// The same for where it is now, once shown: only then is its frame known.
void keepOnScreen(QWidget* window);

} // namespace Quillon
