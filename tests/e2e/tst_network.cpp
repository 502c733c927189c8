// SPDX-License-Identifier: GPL-2.0-or-later
// Two whole programs on loopback: one with the simulated modem shares its calls, the other takes them from it instead
// of from a modem, and keeps them when the first restarts its server.
#include "app/appharness.h"
#include "network/networkservice.h"
#include "records/listentries.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTcpServer>

namespace Quillon::Test {

namespace {

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

QString topOfList(const Harness& h)
{
    QTreeWidgetItem* top = h.list()->topLevelItem(0);
    return top ? top->text(0) + u'|' + top->text(1) : QString();
}

} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modemToDisplay()
    {
        const quint16 port = freePort();
        QVERIFY(port != 0);
        Harness sharing;
        QVERIFY(sharing.prepare(
            u"[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n[Network]\nShare=True\nSharePort=%1\nShareLog=3\n"_s.arg(
                port)));
        sharing.app->network().server().setHelloWaitMs(0);
        QVERIFY(sharing.app->Main() == Application::StartResult::Running);
        sharing.pass(1500); // the modem's answer is checked
        QCOMPARE(sharing.window()->statusText(), u"Ready"_s);
        sharing.addCall(u"EARLY ONE|555-000-0001"_s);
        sharing.addCall(u"EARLY TWO|555-000-0002"_s);
        QVERIFY(ListEntries(sharing.app->database()).add(RecordList::Reject, u"555-765-4321"_s, u"N/A"_s));

        Harness display;
        QVERIFY(display.start(
            u"EnableLog=True\n[Network]\nReceive=True\nServerHost=127.0.0.1\nServerPort=%1\n"_s.arg(port)));
        QTRY_COMPARE(display.window()->statusText(), u"Ready"_s);
        const QString stored = u"SELECT Name, Number FROM CID ORDER BY rowid"_s;
        // The history came along, into the database only.
        QTRY_COMPARE(display.rows(stored), QStringList({ u"EARLY ONE|555-000-0001"_s, u"EARLY TWO|555-000-0002"_s }));
        QCOMPARE(display.list()->topLevelItemCount(), 0);

        QVERIFY(sharing.call(u"JOHN DOE"_s, u"5551234567"_s).isValid());
        QTRY_COMPARE(topOfList(display), u"JOHN DOE|555-123-4567"_s);
        // Answered and hung up by the modem's program; shown here as such.
        QVERIFY(sharing.call(u"JANE ROE"_s, u"5557654321"_s).isValid());
        QTRY_COMPARE(topOfList(display), u"JANE ROE|555-765-4321"_s);
        QVERIFY(display.dir.logMessages().contains(u"Call Rejected by the server"_s));

        // The server restarts; the display reconnects, is sent the last three calls again and stores none twice.
        sharing.app->network().server().close();
        QTRY_VERIFY(display.window()->statusText().startsWith(u"Not Ready: connecting to server 127.0.0.1:"_s));
        sharing.app->network().apply();
        QTRY_VERIFY(display.app->network().client().retryWaitMs() > 0);
        display.app->network().client().retryNow();
        QTRY_COMPARE(display.window()->statusText(), u"Ready"_s);
        QVERIFY(sharing.call(u"KATE LEE"_s, u"5550001111"_s).isValid());
        QTRY_COMPARE(topOfList(display), u"KATE LEE|555-000-1111"_s);
        QTRY_COMPARE(display.rows(stored),
                     QStringList({ u"EARLY ONE|555-000-0001"_s, u"EARLY TWO|555-000-0002"_s, u"JOHN DOE|555-123-4567"_s,
                                   u"JANE ROE|555-765-4321"_s, u"KATE LEE|555-000-1111"_s }));
        QCOMPARE(display.list()->topLevelItemCount(), 3);

        // No port was opened and the display's modem heard nothing.
        QVERIFY(!display.port->isOpen());
        QCOMPARE(display.modem.receivedCommands(), QStringList());
        const QStringList log = display.dir.logMessages();
        const QString server = u"caller-ID server 127.0.0.1:"_s + QString::number(port);
        QCOMPARE(log.filter(u"Connected to "_s + server).size(), 2);
        QCOMPARE(log.filter(u"Disconnected from "_s + server).size(), 1);
    }

    // Save applies at once: a port in use is reported once and the program runs on; the source swaps modem and server.
    void networkWindowSave()
    {
        QTcpServer holder;
        QVERIFY(holder.listen(QHostAddress::LocalHost, 0));
        Harness h;
        QVERIFY(h.start(u"EnableLog=True"_s));
        h.pass(1500);
        QVERIFY(h.port->isOpen());
        h.action(u"Network"_s)->trigger();
        QWidget* window = h.app->windows()->window(u"frmNetwork"_s);
        QVERIFY(window);
        const auto save = [&] { QTest::mouseClick(window->findChild<QPushButton*>(u"cmdSave"_s), Qt::LeftButton); };

        window->findChild<QCheckBox*>(u"chkShare"_s)->setChecked(true);
        window->findChild<QSpinBox*>(u"txtSharePort"_s)->setValue(holder.serverPort());
        save();
        const QString refused = u"Share Port %1 could not be opened!"_s.arg(holder.serverPort());
        QCOMPARE(h.shownBoxes().size(), 1);
        const QString reason = h.app->network().server().errorString(); // the system's words for it
        QVERIFY(!reason.isEmpty() && h.shownBoxes().at(0).startsWith(u"Network Error|"_s + refused + u'\r' + reason));
        QCOMPARE(h.ini(u"Network"_s, u"Share"_s), u"True"_s);
        QCOMPARE(h.ini(u"Network"_s, u"SharePort"_s), QString::number(holder.serverPort()));
        QVERIFY(!h.app->network().server().isListening());
        QVERIFY(h.port->isOpen());

        const quint16 free = freePort();
        window->findChild<QSpinBox*>(u"txtSharePort"_s)->setValue(free);
        window->findChild<QRadioButton*>(u"optServer"_s)->setChecked(true);
        window->findChild<QLineEdit*>(u"txtServerHost"_s)->setText(u"127.0.0.1"_s);
        window->findChild<QSpinBox*>(u"txtServerPort"_s)->setValue(free);
        save();
        QCOMPARE(h.shownBoxes().size(), 1);
        QVERIFY(h.app->network().server().isListening());
        QVERIFY(!h.port->isOpen());
        // Its own server is a server like any other.
        QTRY_COMPARE(h.window()->statusText(), u"Ready"_s);
        QCOMPARE(h.ini(u"Network"_s, u"Receive"_s), u"True"_s);

        window->findChild<QRadioButton*>(u"optModem"_s)->setChecked(true);
        save();
        QVERIFY(h.port->isOpen());
        QCOMPARE(h.window()->statusText(), u"Ready"_s);
        QCOMPARE(h.dir.logMessages().filter(refused).size(), 1);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestNetwork)
#include "tst_network.moc"
