// SPDX-License-Identifier: GPL-2.0-or-later
#include "windowset.h"

#include "config/settingsstore.h"
#include "windows/aboutwindow.h"
#include "windows/centerform.h"
#include "windows/commsettingswindow.h"
#include "windows/formatwindow.h"
#include "windows/networkwindow.h"
#include "windows/phoneindexwindow.h"
#include "windows/rejectwindow.h"
#include "windows/searchwindow.h"
#include "windows/translatewindow.h"

#include <QPointer>
#include <QWidget>

namespace Quillon {

struct WindowSet::Private
{
    QWidget* owner;
    QString appDir;
    WorkingSettings& settings;
    MdmCmd& modem;
    CallDatabase& database;
    MessageBoxes& boxes;

    QPointer<CommSettingsWindow> communications;
    QPointer<FormatWindow> format;
    QPointer<SearchWindow> search;
    QPointer<RejectWindow> reject;
    QPointer<PhoneIndexWindow> phoneIndex;
    QPointer<TranslateWindow> translate;
    QPointer<AboutWindow> about;
    NetworkService* network = nullptr;
    QPointer<NetworkWindow> networkWindow;

    QList<QWidget*> windows() const
    {
        return { communications, format, search, reject, phoneIndex, translate, about, networkWindow };
    }
};

namespace {

// Loading happens in each window's constructor; closing a window unloads it.
template<typename Window, typename Make> Window* loaded(QPointer<Window>& slot, Make make)
{
    if (!slot) {
        slot = make();
        slot->setAttribute(Qt::WA_DeleteOnClose);
    }
    return slot;
}

void bringForward(QWidget* window)
{
    window->show();
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace

WindowSet::WindowSet(QWidget* owner, const QString& appDir, WorkingSettings& settings, MdmCmd& modem,
                     CallDatabase& database, MessageBoxes& boxes)
    : QObject(owner)
    , d(new Private { owner, appDir, settings, modem, database, boxes, {}, {}, {}, {}, {}, {}, {}, nullptr, {} })
{ }

WindowSet::~WindowSet()
{
    closeAll();
    delete d;
}

void WindowSet::openCommunications()
{
    bringForward(loaded(d->communications, [this] { return new CommSettingsWindow(d->owner, d->modem); }));
}

void WindowSet::openFormat()
{
    bringForward(loaded(d->format, [this] { return new FormatWindow(d->owner, d->settings, iniPathFor(d->appDir)); }));
}

void WindowSet::setNetwork(NetworkService* network)
{
    d->network = network;
}

void WindowSet::openNetwork()
{
    if (!d->network)
        return;
    bringForward(loaded(d->networkWindow, [this] { return new NetworkWindow(d->owner, *d->network); }));
}

void WindowSet::openSearch()
{
    bringForward(loaded(d->search, [this] { return new SearchWindow(d->owner, d->database, d->boxes); }));
}

void WindowSet::openReject()
{
    bringForward(loaded(d->reject, [this] { return new RejectWindow(d->owner, d->database, d->boxes); }));
}

void WindowSet::openPhoneIndex()
{
    // An open index keeps the snapshot it took when it loaded.
    bringForward(loaded(d->phoneIndex, [this] { return new PhoneIndexWindow(d->owner, d->database, d->boxes); }));
}

void WindowSet::openTranslate()
{
    bringForward(loaded(d->translate, [this] { return new TranslateWindow(d->owner, d->database, d->boxes); }));
}

void WindowSet::openAbout()
{
    AboutWindow* about = loaded(d->about, [this] { return new AboutWindow(d->owner); });
    CenterForm(about);
    bringForward(about);
}

void WindowSet::refreshCommSettings()
{
    loaded(d->communications, [this] { return new CommSettingsWindow(d->owner, d->modem); })->CommParameters();
}

void WindowSet::closeAll()
{
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
