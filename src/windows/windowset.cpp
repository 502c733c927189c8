// SPDX-License-Identifier: GPL-2.0-or-later
#include "windowset.h"

#include "config/settingsstore.h"
#include "reception/modemdetection.h"
#include "windows/aboutwindow.h"
#include "windows/blockingwindow.h"
#include "windows/calleractions.h"
#include "windows/centerform.h"
#include "windows/commsettingswindow.h"
#include "windows/formatwindow.h"
#include "windows/networkwindow.h"
#include "windows/phoneindexwindow.h"
#include "windows/rejectwindow.h"
#include "windows/searchwindow.h"
#include "windows/translatewindow.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

namespace Quillon {

struct WindowSet::Private : WindowParts
{
    QWidget* owner;
    QPointer<CommSettingsWindow> communications;
    QPointer<FormatWindow> format;
    QPointer<SearchWindow> search;
    QPointer<RejectWindow> reject;
    QPointer<PhoneIndexWindow> phoneIndex;
    QPointer<TranslateWindow> translate;
    QPointer<AboutWindow> about;
    QPointer<NetworkWindow> networkWindow;
    QPointer<BlockingWindow> blocking;

    QList<QWidget*> windows() const
    {
        return { communications, format, search, reject, phoneIndex, translate, about, networkWindow, blocking };
    }
};

namespace {

const QString windowsSection = QStringLiteral("Windows");

// "left,top,width,height" of the window's inner area.
QString geometryText(const QRect& rect)
{
    return QStringLiteral("%1,%2,%3,%4").arg(rect.left()).arg(rect.top()).arg(rect.width()).arg(rect.height());
}

// Puts the window where it was last closed, moved wholly onto the screen
// (a monitor gone, another scale); one that could not grow keeps its size.
void restoreGeometry(QWidget* window, const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return;
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return;
    }
    QSize size = window->size();
    if (window->minimumSize() != window->maximumSize()) {
        const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        size = QSize(values[2], values[3]).boundedTo(window->maximumSize());
        if (screen)
            size = size.boundedTo(screen->availableGeometry().size());
        size = size.expandedTo(window->minimumSize());
    }
    placeOnScreen(window, QRect(QPoint(values[0], values[1]), size));
}

void bringForward(QWidget* window)
{
    window->show();
    keepOnScreen(window);
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace

WindowSet::WindowSet(QWidget* owner, const WindowParts& parts)
    : QObject(owner)
    , d(new Private { parts, owner, {}, {}, {}, {}, {}, {}, {}, {}, {} })
{
    connect(&d->detector, &ModemDetector::settingsApplied, this, &WindowSet::refreshCommSettings);
}

WindowSet::~WindowSet()
{
    closeAll();
    delete d;
}

// Loading happens in each window's constructor; closing a window unloads it.
template<typename Window, typename Make> Window* WindowSet::loaded(QPointer<Window>& slot, Make make)
{
    if (!slot) {
        slot = make();
        slot->setAttribute(Qt::WA_DeleteOnClose);
        prepare(slot);
    }
    return slot;
}

void WindowSet::prepare(QWidget* window)
{
    // The about box has its own Escape, which a second one would make ambiguous.
    if (window != d->about.data()) {
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        escape->setObjectName(QStringLiteral("closeOnEscape"));
        connect(escape, &QShortcut::activated, window, &QWidget::close);
    }
    const QString saved = GetIniValue(d->iniPath, windowsSection, window->objectName(), QString());
    if (!saved.isEmpty())
        restoreGeometry(window, saved);
    window->installEventFilter(this);
}

bool WindowSet::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->isVisible())
            SetIniValue(
                d->iniPath, windowsSection, window->objectName(),
                geometryText(window->normalGeometry().isValid() ? window->normalGeometry() : window->geometry()));
    }
    return QObject::eventFilter(watched, event);
}

void WindowSet::openCommunications()
{
    bringForward(loaded(d->communications, [this] { return makeCommunications(); }));
}

CommSettingsWindow* WindowSet::makeCommunications()
{
    return new CommSettingsWindow(d->owner, d->iniPath, d->settings, d->log, d->modem, d->detector);
}

void WindowSet::openFormat()
{
    bringForward(loaded(d->format,
                        [this] { return new FormatWindow(d->owner, d->settings, d->iniPath, d->database, d->boxes); }));
}

void WindowSet::openNetwork()
{
    bringForward(loaded(d->networkWindow, [this] { return new NetworkWindow(d->owner, d->network); }));
}

void WindowSet::openBlocking()
{
    bringForward(
        loaded(d->blocking, [this] { return new BlockingWindow(d->owner, d->settings, d->iniPath, d->boxes); }));
}

void WindowSet::openSearch()
{
    bringForward(loaded(d->search, [this] {
        auto* search = new SearchWindow(d->owner, d->database, d->boxes);
        connect(search->callerActions(), &CallerActions::rejectCaller, this, &WindowSet::rejectCaller);
        connect(search->callerActions(), &CallerActions::translateCaller, this, &WindowSet::translateCaller);
        // Only new rows are looked for on a stored call: the index would list
        // removed callers on, and could miss a call given a freed rowid.
        connect(search, &SearchWindow::callsRemoved, this, [this] {
            if (d->phoneIndex)
                d->phoneIndex->LoadGrid(true);
        });
        return search;
    }));
}

void WindowSet::openReject()
{
    bringForward(loaded(d->reject, [this] { return new RejectWindow(d->owner, d->database, d->boxes, d->settings); }));
}

void WindowSet::openPhoneIndex()
{
    bringForward(loaded(d->phoneIndex, [this] {
        auto* index = new PhoneIndexWindow(d->owner, d->database, d->boxes);
        connect(index->callerActions(), &CallerActions::rejectCaller, this, &WindowSet::rejectCaller);
        connect(index->callerActions(), &CallerActions::translateCaller, this, &WindowSet::translateCaller);
        return index;
    }));
}

void WindowSet::openTranslate()
{
    bringForward(
        loaded(d->translate, [this] { return new TranslateWindow(d->owner, d->database, d->boxes, d->settings); }));
}

void WindowSet::openAbout()
{
    AboutWindow* about = loaded(d->about, [this] { return new AboutWindow(d->owner); });
    CenterForm(about);
    bringForward(about);
}

void WindowSet::rejectCaller(const QString& name, const QString& number)
{
    openReject();
    d->reject->fillIn(name, number);
}

void WindowSet::translateCaller(const QString& name, const QString& number)
{
    openTranslate();
    d->translate->fillIn(name, number);
}

void WindowSet::callStored()
{
    // Only the new rows are read: the whole query would hold the window up
    // over a large history. No box in the middle of a call.
    if (d->search)
        d->search->takeNewCalls();
    if (d->phoneIndex)
        d->phoneIndex->takeNewRows();
}

void WindowSet::refreshCommSettings()
{
    loaded(d->communications, [this] { return makeCommunications(); })->CommParameters();
}

void WindowSet::restoreMainWindowPlace()
{
    const QString saved = GetIniValue(d->iniPath, windowsSection, d->owner->objectName(), QString());
    if (!saved.isEmpty())
        restoreGeometry(d->owner, saved);
}

void WindowSet::closeAll()
{
    // Hidden in the tray or already gone: the place kept last time stays.
    if (d->owner->isVisible() && !d->owner->isMinimized())
        SetIniValue(
            d->iniPath, windowsSection, d->owner->objectName(),
            geometryText(d->owner->normalGeometry().isValid() ? d->owner->normalGeometry() : d->owner->geometry()));
    const QList<QWidget*> windows = d->windows();
    for (QWidget* window : windows) {
        if (window)
            window->close();
    }
}

QWidget* WindowSet::window(const QString& objectName) const
{
    const QList<QWidget*> windows = d->windows();
    for (QWidget* window : windows) {
        if (window && window->objectName() == objectName)
            return window;
    }
    return nullptr;
}

} // namespace Quillon
