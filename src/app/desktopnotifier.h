// SPDX-License-Identifier: GPL-2.0-or-later
// Call notices through the desktop's notification service
// (org.freedesktop.Notifications), which every desktop has, with or without a tray.
#pragma once

#include <QDBusConnection>
#include <QObject>

namespace Quillon {

struct CallNotice
{
    QString name;
    QString number;
    bool rejected = false;
    // On the reject or translate list: nothing to offer but Show.
    bool listed = false;
};

class DesktopNotifier final : public QObject
{
    Q_OBJECT

public:
    // bus: the session bus; tests hand in a private one.
    explicit DesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);
    ~DesktopNotifier() override;
    Q_DISABLE_COPY_MOVE(DesktopNotifier)

    // Sends the notice, replacing the one still up. Returns at once; failed()
    // follows when no service takes it.
    void notify(const CallNotice& notice);
    // Withdraws the notice still up, if any.
    void close();

    // The notice up now; 0: none.
    uint shownId() const { return m_id; }
    // The desktop entry and icon name.
    static QString applicationId();

Q_SIGNALS:
    void failed(const Quillon::CallNotice& notice);
    void showRequested();
    void rejectRequested(const QString& name, const QString& number);
    void translateRequested(const QString& name, const QString& number);

private Q_SLOTS:
    // QtDBus delivers bus signals only to slots named by signature.
    void onActionInvoked(uint id, const QString& action);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    uint m_id = 0; // the notice up now; 0: none
    CallNotice m_shown;
};

} // namespace Quillon
