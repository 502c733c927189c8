// SPDX-License-Identifier: GPL-2.0-or-later
#include "centerform.h"

#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>

namespace Quillon {

namespace {

// The frame the window manager adds, known once the window has been shown.
QMargins frameMargins(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect inner = window->geometry();
    return { inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
             frame.bottom() - inner.bottom() };
}

} // namespace

// Centred in the area panels leave free; a window larger than that keeps its
// title bar on the screen.
void CenterForm(QWidget* window)
{
    if (!window)
        return;
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(qMax(area.left(), area.left() + (area.width() - size.width()) / 2),
                 qMax(area.top(), area.top() + (area.height() - size.height()) / 2));
}

QRect fitInside(const QRect& wanted, const QRect& area)
{
    QRect fitted(wanted.topLeft(), wanted.size().boundedTo(area.size()));
    if (fitted.right() > area.right())
        fitted.moveRight(area.right());
    if (fitted.bottom() > area.bottom())
        fitted.moveBottom(area.bottom());
    if (fitted.left() < area.left())
        fitted.moveLeft(area.left());
    if (fitted.top() < area.top())
        fitted.moveTop(area.top());
    return fitted;
}

void placeOnScreen(QWidget* window, const QRect& wanted)
{
    const QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(wanted);
        const qint64 area = qint64(common.width()) * common.height();
        if (!common.isEmpty() && area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (!best) { // a monitor since unplugged, or a place saved at another scale
        window->resize(wanted.size());
        CenterForm(window);
        return;
    }
    // The saved place is the inner area: the frame has to fit too.
    const QRect fitted = fitInside(wanted, best->availableGeometry() - frameMargins(window));
    if (fitted != window->geometry())
        window->setGeometry(fitted);
}

void keepOnScreen(QWidget* window)
{
    if (window && window->isVisible() && !window->isMinimized() && !window->isMaximized())
        placeOnScreen(window, window->geometry());
}

} // namespace Quillon
