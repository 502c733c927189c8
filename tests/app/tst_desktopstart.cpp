// SPDX-License-Identifier: GPL-2.0-or-later
// Starting with the desktop: the autostart entry that Settings > Start with
// Desktop writes and removes, the --minimized start it asks for, and the tray
// a minimised window hides in.
#include "app/autostart.h"
#include "appharness.h"
#include "quillonversion.h"
#include "support/programfiles.h"

#include <QCoreApplication>
#include <QSystemTrayIcon>

using namespace Quillon;
using namespace Quillon::Test;

class TestDesktopStart : public QObject
{
    Q_OBJECT

    static QString execLineOf(const QString& path)
    {
        return QString::fromUtf8(fileBytes(path)).section(u"\nExec="_s, 1).section(u'\n', 0, 0);
    }

private Q_SLOTS:
    void menuItemWritesAndRemovesTheEntry()
    {
        auto h = std::make_unique<Harness>();
        QVERIFY(h->start());
        const QString entry = h->dir.file(QStringLiteral("autostart/" QUILLON_APP_ID ".desktop"));
        QAction* item = h->action(u"StartWithDesktop"_s);
        QVERIFY(item && item->isCheckable() && !item->isChecked());

        item->trigger();
        QVERIFY(item->isChecked());
        QVERIFY(QFileInfo(entry).isFile());
        // What execLine checks for any program, here written for this one.
        QCOMPARE(execLineOf(entry), Autostart::execValue(QCoreApplication::applicationFilePath()));
        // The entry itself is the setting: nothing goes into QuillonCID.ini.
        QCOMPARE(h->ini(u"Settings"_s, u"StartWithDesktop"_s), u"<missing>"_s);

        // A restart shows the mark from the entry.
        h->app.reset();
        h->port = std::make_unique<QtSerialPort>();
        h->app = std::make_unique<Application>(h->dir.path(),
                                               AppServices { h->clock, h->boxes, h->sound, h->help, *h->port });
        QCOMPARE(h->app->Main(), Application::StartResult::Running);
        item = h->action(u"StartWithDesktop"_s);
        QVERIFY(item->isChecked());

        item->trigger();
        QVERIFY(!item->isChecked());
        QVERIFY(!QFileInfo::exists(entry));
        QCOMPARE(h->shownBoxes(), QStringList());

        // A file where the autostart folder should be: no entry can be written.
        QVERIFY(QDir(h->dir.file(u"autostart"_s)).removeRecursively() && writeFile(h->dir.file(u"autostart"_s)));
        item->trigger();
        QVERIFY(!item->isChecked()); // the mark tells the truth
        QCOMPARE(h->boxes.shown.size(), 1);
        QCOMPARE(h->boxes.shown.value(0).icon, MessageBoxes::Icon::Exclamation);
        QVERIFY(h->boxes.shown.value(0).text.endsWith(entry));
    }

    void execLine_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");

        QTest::newRow("plain path") << u"/usr/bin/QuillonCID"_s << u"/usr/bin/QuillonCID --minimized"_s;
        QTest::newRow("blank in the path")
            << u"/home/ann/Caller ID/QuillonCID"_s << u"\"/home/ann/Caller ID/QuillonCID\" --minimized"_s;
        // Inside quotes '"', '`', '$' and '\' take a backslash, which the string
        // level doubles; '%' would start a field code.
        QTest::newRow("quote, dollar and backslash")
            << u"/opt/a\"b$c\\d/QuillonCID"_s << u"\"/opt/a\\\\\"b\\\\$c\\\\\\\\d/QuillonCID\" --minimized"_s;
        QTest::newRow("percent") << u"/opt/100%/QuillonCID"_s << u"/opt/100%%/QuillonCID --minimized"_s;
        QTest::newRow("not ASCII") << u"/home/zoë/QuillonCID"_s << u"/home/zoë/QuillonCID --minimized"_s;
    }

    void execLine()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);

        QTemporaryDir dir;
        Autostart autostart(dir.filePath(u"autostart"_s), program);
        QVERIFY(!autostart.isEnabled());
        QVERIFY(autostart.setEnabled(true));
        QVERIFY(autostart.isEnabled());
        QCOMPARE(execLineOf(autostart.entryPath()), exec);
        const QString problems = validatorComplaints(u"desktop-file-validate"_s, {}, autostart.entryPath(), true);
        QVERIFY2(problems.isEmpty(), qPrintable(problems));
        QVERIFY(autostart.setEnabled(false));
        QVERIFY(!QFileInfo::exists(autostart.entryPath()));
        QVERIFY(autostart.setEnabled(false)); // removing what is gone is no failure
    }

    // Hidden only where the tray brings it back; without a tray it stays in reach.
    void minimisedIntoTheTray_data()
    {
        QTest::addColumn<bool>("atStart"); // --minimized; else minimised by the user once shown
        QTest::addColumn<bool>("tray");
        QTest::newRow("--minimized with a tray: hidden in it") << true << true;
        QTest::newRow("--minimized without a tray: shown") << true << false;
        QTest::newRow("minimised with a tray: hidden in it") << false << true;
        QTest::newRow("minimised without a tray: on the taskbar") << false << false;
    }

    void minimisedIntoTheTray()
    {
        QFETCH(bool, atStart);
        QFETCH(bool, tray);
        auto h = std::make_unique<Harness>();
        QVERIFY(h->prepare(u"[Comm]\nCnfg=True\n[Settings]\nRingIn=False\n"_s));
        h->window()->setTrayAvailableCheck([tray] { return tray; });
        QCOMPARE(h->app->Main(atStart), Application::StartResult::Running);
        if (!atStart) {
            QVERIFY(h->window()->isVisible() && !h->window()->isMinimized());
            h->window()->showMinimized();
        }
        QTRY_COMPARE(h->window()->isMinimized(), tray || !atStart);
        h->pass(1100); // time enough for the hiding that follows the minimising
        QCOMPARE(h->window()->isVisible(), !tray);
        QVERIFY(h->call(u"JOHN DOE"_s, u"5551234567"_s).isValid());
        // Minimised, in the tray or not, a call pops up its notice.
        QCOMPARE(h->window()->splash() != nullptr, h->window()->isMinimized());
        if (!tray)
            return;
        Q_EMIT h->window()->trayIcon()->activated(QSystemTrayIcon::Context); // only its menu
        QVERIFY(!h->window()->isVisible());
        // An old tray's double-click; today's trays send one click.
        Q_EMIT h->window()->trayIcon()->activated(atStart ? QSystemTrayIcon::DoubleClick : QSystemTrayIcon::Trigger);
        QVERIFY(h->window()->isVisible() && !h->window()->isMinimized());
    }
};

QTEST_MAIN(TestDesktopStart)
#include "tst_desktopstart.moc"
