// SPDX-License-Identifier: GPL-2.0-or-later
// The tray icon on today's desktops: a StatusNotifier host on the session
// bus, played by tests/app/statusnotifierhost.py, clicks it and uses its menu.
#include "appharness.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSystemTrayIcon>

namespace Quillon::Test {

class TestTrayIcon : public QObject
{
    Q_OBJECT

    // Asks the host; the reply comes once this process has answered the
    // host's own calls, so the event loop keeps running meanwhile.
    template<typename... Args> QDBusMessage host(const QString& method, Args... args)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(
            u"org.kde.StatusNotifierWatcher"_s, u"/StatusNotifierWatcher"_s, u"org.quillon.TestHost"_s, method);
        call.setArguments({ QVariant(args)... });
        QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, 5000);
        QDeadlineTimer deadline(6000);
        while (!pending.isFinished() && !deadline.hasExpired())
            QTest::qWait(5);
        return pending.reply();
    }
    QStringList strings(const QDBusMessage& reply) { return reply.arguments().value(0).toStringList(); }

    QProcess m_host;

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus could be started");
        m_host.setProcessChannelMode(QProcess::ForwardedChannels);
        m_host.start(u"/usr/bin/python3"_s, { QStringLiteral(QUILLON_SOURCE_DIR "/tests/app/statusnotifierhost.py") });
        QVERIFY(m_host.waitForStarted());
        // Before the first tray icon: Qt asks only once whether a host is there.
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        const auto registered = [bus] { return bus->isServiceRegistered(u"org.kde.StatusNotifierWatcher"_s).value(); };
        QTRY_VERIFY_WITH_TIMEOUT(registered() || m_host.state() == QProcess::NotRunning, 10000);
        QVERIFY2(registered(), "the host did not start");
        QVERIFY2(QSystemTrayIcon::isSystemTrayAvailable(), "no tray seen: needs an X display (DISPLAY)");
    }
    void cleanupTestCase()
    {
        m_host.kill();
        m_host.waitForFinished();
    }

    void trayBringsTheWindowBack_data()
    {
        QTest::addColumn<QString>("how"); // a click on the icon, or a label of its menu
        QTest::addColumn<QStringList>("boxes"); // none: the window is back
        QTest::newRow("click") << u"click"_s << QStringList();
        QTest::newRow("menu Restore") << u"Restore"_s << QStringList();
        QTest::newRow("menu Exit") << u"Exit"_s << QStringList { u"Exit|Are you sure you want to quit?"_s };
    }
    void trayBringsTheWindowBack()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, boxes);
        Harness h;
        const qsizetype before = strings(host(u"Items"_s)).size(); // each row's program registers anew
        QVERIFY(h.start());
        QTRY_COMPARE(strings(host(u"Items"_s)).size(), before + 1);
        const QString item = strings(host(u"Items"_s)).last();
        h.window()->showMinimized();
        QTRY_VERIFY(!h.window()->isVisible()); // in the tray

        QCOMPARE(strings(host(u"MenuLabels"_s, item)), QStringList({ u"Restore"_s, u"Exit"_s }));
        const QDBusMessage done = how == u"click"_s ? host(u"Click"_s, item) : host(u"MenuClick"_s, item, how);
        QVERIFY2(done.type() == QDBusMessage::ReplyMessage, qPrintable(done.errorMessage()));
        QTRY_COMPARE(h.window()->isVisible() && !h.window()->isMinimized(), boxes.isEmpty());
        QTRY_COMPARE(h.shownBoxes(), boxes);
        QCOMPARE(h.app->ended(), !boxes.isEmpty()); // Exit asked, and the default answer ends
    }
};

} // namespace Quillon::Test

int main(int argc, char* argv[])
{
    // Trays on the session bus come with the desktop's platform; offscreen
    // has none. The test's runner provides an X display.
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    Quillon::Test::TestTrayIcon test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_trayicon.moc"
