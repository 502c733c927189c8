// SPDX-License-Identifier: GPL-2.0-or-later
// Call notices through the desktop's notification service, played here by a
// fake org.freedesktop.Notifications on a private session bus, and the popup
// where no service answers.
#include "app/callnotifywindow.h"
#include "appharness.h"
#include "records/listentries.h"
#include "windows/windowset.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QLabel>
#include <QLineEdit>

namespace Quillon::Test {

// Records what is sent to it and answers as a notification daemon does.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList sent; // each "app|replaces|icon|desktop-entry hint|summary|body|actions|timeout"
    QList<uint> closed;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        sent.append(QStringList { app, QString::number(replaces), icon, hints.value(u"desktop-entry"_s).toString(),
                                  summary, body, actions.join(u','), QString::number(timeout) }
                        .join(u'|'));
        return replaces != 0 ? replaces : uint(40 + sent.size());
    }
    void CloseNotification(uint id) { closed.append(id); }
    QStringList GetCapabilities() { return { u"actions"_s, u"body"_s }; }
};

class TestNotices : public QObject
{
    Q_OBJECT

    std::optional<Harness> h;
    FakeNotifications m_fake;
    QDBusConnection m_service = QDBusConnection(u"unused"_s);

    bool startService()
    {
        m_service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fakeNotifications"_s);
        return m_service.registerObject(u"/org/freedesktop/Notifications"_s, &m_fake, QDBusConnection::ExportAllSlots)
            && m_service.registerService(u"org.freedesktop.Notifications"_s);
    }
    void invoke(uint id, const QString& action) // the user clicks a button of the notice
    {
        QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_s,
                                                         u"org.freedesktop.Notifications"_s, u"ActionInvoked"_s);
        signal << id << action;
        QVERIFY(m_service.send(signal));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus could be started");
    }
    void init()
    {
        h.emplace();
        m_fake.sent.clear();
        m_fake.closed.clear();
    }
    void cleanup()
    {
        h.reset();
        if (m_service.isConnected()) {
            m_service.unregisterService(u"org.freedesktop.Notifications"_s);
            m_service.unregisterObject(u"/org/freedesktop/Notifications"_s);
            QDBusConnection::disconnectFromBus(u"fakeNotifications"_s);
        }
    }

    void noticeGoesToTheDesktop_data()
    {
        QTest::addColumn<QString>("window"); // "minimised", "behind another" or "active"
        QTest::addColumn<bool>("whenInactive"); // the Settings switch
        QTest::addColumn<bool>("rejected");
        QTest::addColumn<QString>("body"); // empty: no notice
        QTest::addColumn<QStringList>("actions");
        const QStringList all { u"default"_s,   u"Show"_s,
                                u"show"_s,      u"Show"_s,
                                u"reject"_s,    u"Reject Caller..."_s,
                                u"translate"_s, u"Translate Number..."_s };
        const QStringList show = all.mid(0, 4);
        QTest::newRow("minimised") << u"minimised"_s << false << false << u"555-123-4567"_s << all;
        QTest::newRow("behind another window") << u"behind another"_s << true << false << u"555-123-4567"_s << all;
        QTest::newRow("behind another, switched off")
            << u"behind another"_s << false << false << QString() << QStringList();
        QTest::newRow("active window") << u"active"_s << true << false << QString() << QStringList();
        QTest::newRow("rejected") << u"minimised"_s << true << true << u"555-123-4567\nRejected"_s << show;
        QTest::newRow("on the translate list") << u"minimised"_s << true << false << u"212-555-0100"_s << show;
    }
    void noticeGoesToTheDesktop()
    {
        QFETCH(QString, window);
        QFETCH(bool, whenInactive);
        QFETCH(bool, rejected);
        QFETCH(QString, body);
        QFETCH(QStringList, actions);
        QVERIFY(startService());
        QVERIFY(h->start(u"NotifyInactive="_s + boolText(whenInactive)));
        QVERIFY(ListEntries(h->app->database()).add(RecordList::Translate, u"212-555-0100"_s, u"WILSON ANN"_s));
        QWidget other;
        if (window == u"minimised"_s) {
            h->window()->showMinimized();
            QTRY_VERIFY(h->window()->isMinimized());
        } else {
            QWidget* front = window == u"active"_s ? static_cast<QWidget*>(h->window()) : &other;
            front->show();
            front->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(front));
        }
        const QString number = body.isEmpty() ? u"555-123-4567"_s : body.section(u'\n', 0, 0);
        h->window()->ShowCallNotify(u"WILSON ANN"_s, number, rejected);
        if (body.isEmpty()) {
            QTest::qWait(200);
            QCOMPARE(m_fake.sent.size(), 0);
            QVERIFY(!h->window()->splash());
            return;
        }
        QTRY_COMPARE(h->window()->notifier()->shownId(), uint(41));
        const QString id = u"io.github.quilloncid.QuillonCID"_s; // the icon and the desktop entry
        QCOMPARE(m_fake.sent.first(),
                 QStringList(
                     { u"Quillon CallerID"_s, u"0"_s, id, id, u"WILSON ANN"_s, body, actions.join(u','), u"20000"_s })
                     .join(u'|'));
        QVERIFY(!h->window()->splash()); // the desktop shows it: no popup besides
        // The next call replaces it rather than piling up.
        h->window()->ShowCallNotify(u"JOHN DOE"_s, u"555-000-1111"_s);
        QTRY_COMPARE(m_fake.sent.size(), 2);
        QCOMPARE(m_fake.sent.last().section(u'|', 1, 1), u"41"_s);
    }

    void actionsReachTheWindow_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("opened"); // the window it opens; empty: only the main window back
        QTest::addColumn<QString>("box"); // and the box there that holds the number
        QTest::newRow("click on the notice") << u"default"_s << QString() << QString();
        QTest::newRow("Show") << u"show"_s << QString() << QString();
        QTest::newRow("Reject Caller") << u"reject"_s << u"frmReject"_s << u"txtNumber"_s;
        QTest::newRow("Translate Number") << u"translate"_s << u"frmTranslate"_s << u"txtNumber"_s;
        QTest::newRow("another program's notice") << u"show@7"_s << QString() << QString();
    }
    void actionsReachTheWindow()
    {
        QFETCH(QString, action);
        QFETCH(QString, opened);
        QFETCH(QString, box);
        QVERIFY(startService());
        QVERIFY(h->start());
        h->window()->setTrayAvailableCheck([] { return true; });
        h->window()->showMinimized();
        QTRY_VERIFY(!h->window()->isVisible()); // in the tray
        h->pass(1100);
        QVERIFY(h->call(u"JOHN DOE"_s, u"5551234567"_s).isValid());
        QTRY_COMPARE(h->window()->notifier()->shownId(), uint(41));
        const bool ours = !action.contains(u'@');
        invoke(ours ? 41 : 7, action.section(u'@', 0, 0));
        if (!ours) {
            QTest::qWait(200);
            QVERIFY(!h->window()->isVisible());
            return;
        }
        QTRY_VERIFY(h->window()->isVisible() && !h->window()->isMinimized());
        QTRY_VERIFY(m_fake.closed.contains(41)); // the notice has done its work
        if (opened.isEmpty())
            return;
        QWidget* window = h->app->windows()->window(opened);
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->findChild<QLineEdit*>(box)->text(), u"555-123-4567"_s);
    }

    void noServiceGivesThePopup()
    {
        QVERIFY(h->start());
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        QVERIFY(!bus->isServiceRegistered(u"org.freedesktop.Notifications"_s).value());
        // The user types in another program meanwhile.
        QWidget typing;
        auto* edit = new QLineEdit(&typing);
        typing.show();
        typing.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&typing));
        edit->setFocus();
        h->window()->ShowCallNotify(u"JOHN DOE"_s, u"555-123-4567"_s);
        QTRY_VERIFY(h->window()->splash() && h->window()->splash()->isVisible());
        frmSplash* popup = h->window()->splash();
        QCOMPARE(popup->callerName(), u"JOHN DOE"_s);
        QCOMPARE(popup->findChild<QLabel*>(u"lblProgram"_s)->text(), u"Quillon CallerID"_s);
        QVERIFY(popup->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(popup->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
        QTest::qWait(100);
        QCOMPARE(QApplication::activeWindow(), &typing);
        QCOMPARE(QApplication::focusWidget(), edit);
        QTest::keyClicks(QApplication::focusWidget(), u"abc"_s);
        QCOMPARE(edit->text(), u"abc"_s);
        // Looking at the window is seeing the call: the popup goes.
        h->window()->activateWindow();
        QTRY_VERIFY(!h->window()->splash() || !h->window()->splash()->isVisible());
    }
};

} // namespace Quillon::Test

int main(int argc, char* argv[])
{
    // Offscreen activates every window it shows; the runner provides an X display.
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    Quillon::Test::TestNotices test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_notices.moc"
