// SPDX-License-Identifier: GPL-2.0-or-later
#include "desktopnotifier.h"

#include "platform/appinfo.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace Quillon {

namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");
// The popup's twenty seconds; a service may keep it longer.
constexpr int expireMs = 20000;
// A service that does not answer by then is taken for none.
constexpr int answerWaitMs = 3000;

} // namespace

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(service, path, interface, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
}

DesktopNotifier::~DesktopNotifier()
{
    close();
}

QString DesktopNotifier::applicationId()
{
    return QStringLiteral("io.github.quilloncid.QuillonCID");
}

void DesktopNotifier::notify(const CallNotice& notice)
{
    if (!m_bus.isConnected()) {
        Q_EMIT failed(notice);
        return;
    }
    QStringList actions { QStringLiteral("default"), QStringLiteral("Show"), QStringLiteral("show"),
                          QStringLiteral("Show") };
    if (!notice.listed)
        actions << QStringLiteral("reject") << QStringLiteral("Reject Caller...") << QStringLiteral("translate")
                << QStringLiteral("Translate Number...");
    const QVariantMap hints { { QStringLiteral("desktop-entry"), applicationId() },
                              { QStringLiteral("category"), QStringLiteral("im.received") } };
    // The body may be read as markup: a number is digits and dashes, but
    // what a network peer sent must still show as it came.
    QString body = notice.number.toHtmlEscaped();
    if (notice.rejected)
        body += QStringLiteral("\nRejected");
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    call << programTitle() << m_id << applicationId() << notice.name << body << actions << hints << expireMs;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, answerWaitMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, notice](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<uint> reply = *finished;
        finished->deleteLater();
        if (reply.isError()) {
            m_id = 0;
            Q_EMIT failed(notice);
            return;
        }
        m_id = reply.value();
        m_shown = notice;
    });
}

void DesktopNotifier::close()
{
    if (m_id == 0 || !m_bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("CloseNotification"));
    call << m_id;
    m_bus.call(call, QDBus::NoBlock);
    m_id = 0;
}

void DesktopNotifier::onActionInvoked(uint id, const QString& action)
{
    if (id == 0 || id != m_id)
        return; // another program's notice, or one of ours replaced since
    if (action == u"default" || action == u"show")
        Q_EMIT showRequested();
    else if (action == u"reject")
        Q_EMIT rejectRequested(m_shown.name, m_shown.number);
    else if (action == u"translate")
        Q_EMIT translateRequested(m_shown.name, m_shown.number);
}

void DesktopNotifier::onClosed(uint id, uint reason)
{
    Q_UNUSED(reason)
    if (id == m_id)
        m_id = 0;
}

} // namespace Quillon
