// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's commands, call list, ready display, popup and sound.
#include "appharness.h"
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "platform/datetimetext.h"
#include "reception/modemchannel.h"
#include "windows/windowset.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace Quillon::Test {

class TestMainDisplayWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menuItems_data();
    void menuItems();
    void toolbarButtons();
    void toggles_data();
    void toggles();
    void logToggleWritesBothLinesWhateverTheFlag();
    void startAndSuspendFromMenuAndToolbar();
    void readyDisplay();
    void callListNewestOnTop();
    void columnsFollowTheListWidth();
    void popupOnlyWhenMinimisedAndNotifyOn_data();
    void popupOnlyWhenMinimisedAndNotifyOn();
    void popupClosesTwentyToTwentyFiveSecondsAfterTheLastCall();
    void popupCloseButton();
    void minimisingWithoutATrayKeepsTheWindowReachable();
    void minimisingWithATrayHidesTheWindow();
    void ringSoundPlaysTheFileBesideTheProgram();
    void help();
    void windowCommands_data();
    void windowCommands();

private:
    static bool inMenu(QMainWindow* window, QAction* item, const QString& menu);
};

bool TestMainDisplayWindow::inMenu(QMainWindow* window, QAction* item, const QString& menu)
{
    if (menu == u"<bar>"_s)
        return window->menuBar()->actions().contains(item);
    auto* owner = window->findChild<QMenu*>(menu);
    return owner && owner->actions().contains(item);
}

void TestMainDisplayWindow::menuItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<bool>("checkable");
    QTest::newRow("Start") << u"Start"_s << u"&Start"_s << u"QuillonCID"_s << false;
    QTest::newRow("Suspend") << u"Suspend"_s << u"S&uspend"_s << u"QuillonCID"_s << false;
    QTest::newRow("Exit") << u"Exit"_s << u"E&xit"_s << u"QuillonCID"_s << false;
    QTest::newRow("Communications") << u"Communications"_s << u"&Communications"_s << u"Settings"_s << false;
    QTest::newRow("Format") << u"Format"_s << u"&Number Format"_s << u"Settings"_s << false;
    QTest::newRow("RingIn") << u"RingIn"_s << u"E&mulate Ring"_s << u"Settings"_s << true;
    QTest::newRow("EnableLog") << u"EnableLog"_s << u"&Enable Log"_s << u"Settings"_s << true;
    QTest::newRow("Enable_Notify") << u"Enable_Notify"_s << u"&Call Notify"_s << u"Settings"_s << true;
    QTest::newRow("Call_Reject") << u"Call_Reject"_s << u"Call &Reject"_s << u"Settings"_s << true;
    QTest::newRow("ExtDelay") << u"ExtDelay"_s << u"Exit &Delay"_s << u"Settings"_s << true;
    QTest::newRow("Search") << u"Search"_s << u"&Search"_s << u"<bar>"_s << false;
    QTest::newRow("Reject") << u"Reject"_s << u"&Reject"_s << u"<bar>"_s << false;
    QTest::newRow("PhoneBook") << u"PhoneBook"_s << u"&Phone Index"_s << u"<bar>"_s << false;
    QTest::newRow("Translate") << u"Translate"_s << u"&Translate"_s << u"<bar>"_s << false;
    QTest::newRow("CIDHelp") << u"CIDHelp"_s << u"Help Topics"_s << u"Help"_s << false;
    QTest::newRow("About") << u"About"_s << u"About"_s << u"Help"_s << false;
}

void TestMainDisplayWindow::menuItems()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, menu);
    QFETCH(bool, checkable);

    AppHarness h;
    QVERIFY(h.prepare());
    QAction* item = h.action(name);
    QVERIFY(item);
    QCOMPARE(item->text(), caption);
    QCOMPARE(item->isCheckable(), checkable);
    QVERIFY(item->shortcut().isEmpty());
    QVERIFY(inMenu(h.window(), item, menu));

    // The menu bar itself, in order.
    QStringList top;
    for (QAction* a : h.window()->menuBar()->actions())
        top << a->text();
    QCOMPARE(top,
             QStringList({ u"&QuillonCID"_s, u"Se&ttings"_s, u"&Search"_s, u"&Reject"_s, u"&Phone Index"_s,
                           u"&Translate"_s, u"&Help"_s }));
    auto* settings = h.window()->findChild<QMenu*>(QStringLiteral("Settings"));
    QCOMPARE(settings->actions().at(2)->objectName(), QStringLiteral("space3"));
    QVERIFY(settings->actions().at(2)->isSeparator());
}

void TestMainDisplayWindow::toolbarButtons()
{
    AppHarness h;
    QVERIFY(h.prepare());
    auto* toolbar = h.window()->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    QVERIFY(toolbar);
    const QList<QAction*> positions = toolbar->actions();
    QCOMPARE(positions.size(), 12);
    const QStringList keys { {},           u"StrtBtn"_s, u"SpndBtn"_s,  {}, u"CommSet"_s, {}, u"Srch"_s,
                             u"RjctLst"_s, u"PhnIndx"_s, u"trnslate"_s, {}, u"hlpbtn"_s };
    const QStringList tips { {},
                             u"Start Quillon CallerID"_s,
                             u"Suspend Quillon CallerID"_s,
                             {},
                             u"Communications Settings"_s,
                             {},
                             u"Search"_s,
                             u"Reject List"_s,
                             u"Phone Index"_s,
                             u"Translate List"_s,
                             {},
                             u"Help"_s };
    for (int i = 0; i < 12; ++i) {
        QAction* a = positions.at(i);
        if (keys.at(i).isEmpty()) {
            QVERIFY2(a->isSeparator(), qPrintable(QString::number(i + 1)));
            continue;
        }
        QCOMPARE(a->objectName(), keys.at(i));
        QCOMPARE(a->toolTip(), tips.at(i));
        QVERIFY2(!a->icon().pixmap(22, 22).isNull(), qPrintable(keys.at(i)));
        QCOMPARE(a->isCheckable(), i == 1 || i == 2);
    }
    QVERIFY(!h.window()->windowIcon().isNull());
    QCOMPARE(h.window()->trayIcon()->toolTip(), QStringLiteral("Quillon CallerID"));
}

void TestMainDisplayWindow::toggles_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("initially");
    QTest::newRow("ring") << u"RingIn"_s << u"RingIn"_s << true;
    QTest::newRow("notify") << u"Enable_Notify"_s << u"Notify"_s << true;
    QTest::newRow("reject") << u"Call_Reject"_s << u"Reject"_s << true;
    QTest::newRow("exit delay") << u"ExtDelay"_s << u"ExitDelay"_s << true;
    QTest::newRow("log") << u"EnableLog"_s << u"EnableLog"_s << false;
}

void TestMainDisplayWindow::toggles()
{
    QFETCH(QString, item);
    QFETCH(QString, key);
    QFETCH(bool, initially);

    AppHarness h;
    QVERIFY(h.prepare());
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    auto flag = [&]() -> bool {
        const WorkingSettings& s = h.app->settings();
        const QHash<QString, bool> flags { { u"RingIn"_s, s.RingIn },
                                           { u"Notify"_s, s.Notify },
                                           { u"Reject"_s, s.Reject },
                                           { u"ExitDelay"_s, s.ExitDelay },
                                           { u"EnableLog"_s, s.EnableLog } };
        return flags.value(key);
    };
    QAction* toggle = h.action(item);
    QCOMPARE(toggle->isChecked(), initially);
    QCOMPARE(flag(), initially);

    toggle->trigger();
    QCOMPARE(toggle->isChecked(), !initially);
    QCOMPARE(flag(), !initially);
    QCOMPARE(GetIniValue(h.dir.iniPath(), QStringLiteral("Settings"), key, {}), boolText(!initially));

    toggle->trigger();
    QCOMPARE(toggle->isChecked(), initially);
    QCOMPARE(GetIniValue(h.dir.iniPath(), QStringLiteral("Settings"), key, {}), boolText(initially));

    // A restart shows the same marks.
    toggle->trigger();
    h.app.reset();
    QtSerialPort port(h.dir.path());
    Application again(h.dir.path(), AppServices { h.clock, h.boxes, h.sound, h.help, port });
    QCOMPARE(again.Main(), Application::StartResult::Running);
    QCOMPARE(again.mainWindow()->findChild<QAction*>(item)->isChecked(), !initially);
}

void TestMainDisplayWindow::logToggleWritesBothLinesWhateverTheFlag()
{
    AppHarness h;
    QVERIFY(h.prepare());
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    QVERIFY(!QFileInfo::exists(h.dir.logPath()));

    h.action(QStringLiteral("EnableLog"))->trigger();
    h.action(QStringLiteral("EnableLog"))->trigger();
    QCOMPARE(h.dir.logMessages(), QStringList({ u"Log Enabled"_s, u"Log Disabled"_s }));
}

void TestMainDisplayWindow::startAndSuspendFromMenuAndToolbar()
{
    AppHarness h;
    QVERIFY(h.prepare(QStringLiteral("[Comm]\nCnfg=True\n[Settings]\nEnableLog=True\n")));
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    h.pass(1100);
    QVERIFY(h.port->isOpen());
    auto logSince = [&](qsizetype from) { return h.dir.logMessages().mid(from); };

    // Start while started, from the menu: nothing at all.
    qsizetype mark = h.dir.logMessages().size();
    h.action(QStringLiteral("Start"))->trigger();
    QCOMPARE(logSince(mark), QStringList());

    // Suspend from the menu: one status line.
    h.action(QStringLiteral("Suspend"))->trigger();
    QVERIFY(!h.port->isOpen());
    QCOMPARE(logSince(mark), QStringList({ u"Program Suspended"_s, u"CID Status = Not Ready"_s }));
    QCOMPARE(h.window()->statusText(), QStringLiteral("Not Ready"));

    // Suspend while suspended, from the menu: nothing.
    mark = h.dir.logMessages().size();
    h.action(QStringLiteral("Suspend"))->trigger();
    QCOMPARE(logSince(mark), QStringList());
    // ... from the toolbar: only the status again.
    h.action(QStringLiteral("SpndBtn"))->trigger();
    QCOMPARE(logSince(mark), QStringList({ u"CID Status = Not Ready"_s }));
    QVERIFY(h.action(QStringLiteral("SpndBtn"))->isChecked());
    QVERIFY(!h.action(QStringLiteral("StrtBtn"))->isChecked());

    // Start from the toolbar: the port opens, the status is set twice and
    // the answer is checked a second later.
    mark = h.dir.logMessages().size();
    h.action(QStringLiteral("StrtBtn"))->trigger();
    QVERIFY(h.port->isOpen());
    QStringList log = logSince(mark);
    QCOMPARE(log.first(), QStringLiteral("Program Started"));
    QCOMPARE(log.count(QStringLiteral("CID Status = Ready")), 2);
    QVERIFY(h.app->modem().timer2Enabled());
    h.pass(1100);
    QVERIFY(!h.app->modem().timer2Enabled());
    QVERIFY(h.port->isOpen());

    // Suspend from the toolbar: the status line twice.
    mark = h.dir.logMessages().size();
    h.action(QStringLiteral("SpndBtn"))->trigger();
    QCOMPARE(logSince(mark),
             QStringList({ u"Program Suspended"_s, u"CID Status = Not Ready"_s, u"CID Status = Not Ready"_s }));
    QVERIFY(h.boxes.shown.isEmpty());
}

void TestMainDisplayWindow::readyDisplay()
{
    AppHarness h;
    QVERIFY(h.prepare());
    auto* statusBar = h.window()->findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
    QVERIFY(statusBar);
    QCOMPARE(h.window()->statusText(), QString());
    for (bool ready : { true, true, false, true }) {
        h.window()->showReady(ready);
        QCOMPARE(h.window()->statusText(), ready ? QStringLiteral("Ready") : QStringLiteral("Not Ready"));
        QCOMPARE(h.action(QStringLiteral("StrtBtn"))->isChecked(), ready);
        QCOMPARE(h.action(QStringLiteral("SpndBtn"))->isChecked(), !ready);
        QCOMPARE(statusBar->findChildren<QLabel*>().size(), 1);
    }
}

void TestMainDisplayWindow::callListNewestOnTop()
{
    AppHarness h;
    QVERIFY(h.prepare());
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    auto* list = h.window()->findChild<QTreeWidget*>(QStringLiteral("ListView1"));
    QVERIFY(list);
    QCOMPARE(list->headerItem()->text(0), QStringLiteral("Name"));
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("Number"));
    QCOMPARE(list->headerItem()->text(2), QStringLiteral("Date/Time"));
    QCOMPARE(list->topLevelItemCount(), 0);

    QStringList times;
    const QList<QPair<QString, QString>> calls { { u"JOHN DOE"_s, u"(555) 123-4567"_s },
                                                 { u"ANONYMOUS CALLER"_s, u"ID BLOCKED"_s },
                                                 { u"MOM"_s, u"(555) 765-4321"_s } };
    for (const auto& [name, number] : calls) {
        h.clock.advance(61000);
        times.prepend(dateTimeText(h.clock.now()));
        h.window()->AddCallToList(name, number);
        h.window()->SelectNewestCall();
        QCOMPARE(h.window()->windowTitle(), name);
    }
    QCOMPARE(list->topLevelItemCount(), 3);
    const QStringList names { u"MOM"_s, u"ANONYMOUS CALLER"_s, u"JOHN DOE"_s };
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(list->topLevelItem(row)->text(0), names.at(row));
        QCOMPARE(list->topLevelItem(row)->text(2), times.at(row));
    }
    QCOMPARE(list->topLevelItem(0)->text(1), QStringLiteral("(555) 765-4321"));
    QCOMPARE(list->currentItem(), list->topLevelItem(0));
}

void TestMainDisplayWindow::columnsFollowTheListWidth()
{
    AppHarness h;
    QVERIFY(h.prepare());
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    auto* list = h.window()->findChild<QTreeWidget*>(QStringLiteral("ListView1"));
    for (const QSize size : { QSize(700, 400), QSize(520, 300) }) {
        h.window()->resize(size);
        QTRY_COMPARE(h.window()->size(), size);
        QApplication::processEvents();
        const int width = list->width();
        QCOMPARE(list->columnWidth(0), width / 3);
        QCOMPARE(list->columnWidth(1), width / 4);
        QCOMPARE(list->columnWidth(2), width / 3);
        // Margins: 16 px left, 17 px right, 16 px above the status bar.
        const QRect inner = h.window()->centralWidget()->geometry();
        QCOMPARE(list->x(), 16);
        QCOMPARE(inner.width() - list->geometry().right() - 1, 17);
        QCOMPARE(inner.height() - list->geometry().bottom() - 1, 16);
    }
}

void TestMainDisplayWindow::popupOnlyWhenMinimisedAndNotifyOn_data()
{
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<bool>("notify");
    QTest::addColumn<bool>("shown");
    QTest::newRow("visible, notify on") << false << true << false;
    QTest::newRow("visible, notify off") << false << false << false;
    QTest::newRow("minimised, notify off") << true << false << false;
    QTest::newRow("minimised, notify on") << true << true << true;
}

void TestMainDisplayWindow::popupOnlyWhenMinimisedAndNotifyOn()
{
    QFETCH(bool, minimised);
    QFETCH(bool, notify);
    QFETCH(bool, shown);

    AppHarness h;
    QVERIFY(h.prepare(QStringLiteral("[Comm]\nCnfg=True\n[Settings]\nNotify=") + boolText(notify) + u'\n'));
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    if (minimised) {
        h.window()->showMinimized();
        QTRY_VERIFY(h.window()->isMinimized());
    }
    h.window()->ShowCallNotify(QStringLiteral("JOHN DOE"), QStringLiteral("(555) 123-4567"));
    QCOMPARE(h.window()->splash() != nullptr, shown);
    if (!shown)
        return;
    frmSplash* popup = h.window()->splash();
    QVERIFY(popup->isVisible());
    QVERIFY(!popup->parentWidget());
    QCOMPARE(popup->findChild<QLabel*>(QStringLiteral("lblTelcoName"))->text(), QStringLiteral("JOHN DOE"));
    QCOMPARE(popup->findChild<QLabel*>(QStringLiteral("lblTelcoNumber"))->text(), QStringLiteral("(555) 123-4567"));
    QCOMPARE(popup->findChild<QLabel*>(QStringLiteral("lblName"))->text(), QStringLiteral("Name"));
    QCOMPARE(popup->findChild<QLabel*>(QStringLiteral("lblNumber"))->text(), QStringLiteral("Number"));
    QCOMPARE(popup->findChild<QLabel*>(QStringLiteral("lblTelcoName"))->font().pointSize(), 18);
}

void TestMainDisplayWindow::popupClosesTwentyToTwentyFiveSecondsAfterTheLastCall()
{
    AppHarness h;
    QVERIFY(h.prepare());
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    h.window()->showMinimized();
    QTRY_VERIFY(h.window()->isMinimized());

    // The timer ticks on its own phase, not the call's: start between ticks.
    h.clock.advance(2300);
    h.window()->ShowCallNotify(QStringLiteral("FIRST"), QStringLiteral("111"));
    const QDateTime first = h.clock.now();
    auto tick = [&] {
        h.clock.advance(5000);
        h.window()->Timer3_Timer();
    };
    tick();
    tick(); // 10 s after the first call
    h.window()->ShowCallNotify(QStringLiteral("SECOND"), QStringLiteral("222"));
    const QDateTime second = h.clock.now();
    QCOMPARE(h.window()->splash()->callerName(), QStringLiteral("SECOND"));

    while (h.window()->splash() && h.window()->splash()->isVisible()) {
        tick();
        QVERIFY(first.secsTo(h.clock.now()) < 60);
    }
    const qint64 shownFor = second.secsTo(h.clock.now());
    QVERIFY2(shownFor >= 20 && shownFor <= 25, qPrintable(QString::number(shownFor)));
    QTRY_VERIFY(!h.window()->splash());
}

void TestMainDisplayWindow::popupCloseButton()
{
    AppHarness h;
    QVERIFY(h.prepare());
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    h.window()->showMinimized();
    QTRY_VERIFY(h.window()->isMinimized());
    h.window()->ShowCallNotify(QStringLiteral("JOHN DOE"), QStringLiteral("5551234567"));
    auto* close = h.window()->splash()->findChild<QPushButton*>(QStringLiteral("cmdClose"));
    QCOMPARE(close->text(), QStringLiteral("Close"));
    QTest::mouseClick(close, Qt::LeftButton);
    QTRY_VERIFY(!h.window()->splash());
    // A tick after that finds nothing to close; a new call opens a new popup.
    h.window()->Timer3_Timer();
    h.window()->ShowCallNotify(QStringLiteral("MOM"), QStringLiteral("5557654321"));
    QVERIFY(h.window()->splash() && h.window()->splash()->isVisible());
}

void TestMainDisplayWindow::minimisingWithoutATrayKeepsTheWindowReachable()
{
    AppHarness h;
    QVERIFY(h.prepare());
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    h.window()->setTrayAvailableCheck([] { return false; });
    h.window()->showMinimized();
    QTRY_VERIFY(h.window()->isMinimized());
    QTest::qWait(20);
    QVERIFY(h.window()->isVisible());
}

void TestMainDisplayWindow::minimisingWithATrayHidesTheWindow()
{
    AppHarness h;
    QVERIFY(h.prepare());
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    h.window()->setTrayAvailableCheck([] { return true; });
    h.window()->showMinimized();
    QTRY_VERIFY(!h.window()->isVisible());
    QVERIFY(h.window()->isMinimized());

    h.window()->restoreFromTray();
    QVERIFY(h.window()->isVisible());
    QVERIFY(!h.window()->isMinimized());
}

void TestMainDisplayWindow::ringSoundPlaysTheFileBesideTheProgram()
{
    AppHarness h;
    QVERIFY(h.prepare());
    h.window()->PlayRingSound();
    h.window()->PlayRingSound();
    const QString wav = h.dir.path() + QStringLiteral("/RingIn.wav");
    QCOMPARE(h.sound.played, QStringList({ wav, wav }));
}

void TestMainDisplayWindow::help()
{
    AppHarness h;
    QVERIFY(h.prepare());
    QCOMPARE(h.app->Main(), Application::StartResult::Running);

    h.action(QStringLiteral("CIDHelp"))->trigger();
    QCOMPARE(h.boxes.shown.size(), 1);
    QCOMPARE(h.boxes.shown.first().text, QStringLiteral("Could not find QuillonCID.html"));
    QCOMPARE(h.boxes.shown.first().caption, QStringLiteral("Error Finding Help File"));
    QCOMPARE(h.boxes.shown.first().buttons, MessageBoxes::Buttons::Ok);
    QVERIFY(h.help.opened.isEmpty());

    QFile page(h.dir.file(QStringLiteral("QuillonCID.html")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();
    h.action(QStringLiteral("hlpbtn"))->trigger();
    QCOMPARE(h.help.opened, QStringList { page.fileName() });
    QCOMPARE(h.boxes.shown.size(), 1);
}

void TestMainDisplayWindow::windowCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("window");
    QTest::newRow("Communications") << u"Communications"_s << u"frmCommSettings"_s;
    QTest::newRow("CommSet") << u"CommSet"_s << u"frmCommSettings"_s;
    QTest::newRow("Format") << u"Format"_s << u"frmFormat"_s;
    QTest::newRow("Search") << u"Search"_s << u"frmSearch"_s;
    QTest::newRow("Srch") << u"Srch"_s << u"frmSearch"_s;
    QTest::newRow("Reject") << u"Reject"_s << u"frmReject"_s;
    QTest::newRow("RjctLst") << u"RjctLst"_s << u"frmReject"_s;
    QTest::newRow("PhoneBook") << u"PhoneBook"_s << u"frmPhnBook"_s;
    QTest::newRow("PhnIndx") << u"PhnIndx"_s << u"frmPhnBook"_s;
    QTest::newRow("Translate") << u"Translate"_s << u"frmTranslate"_s;
    QTest::newRow("trnslate") << u"trnslate"_s << u"frmTranslate"_s;
    QTest::newRow("About") << u"About"_s << u"frmAbout"_s;
}

void TestMainDisplayWindow::windowCommands()
{
    QFETCH(QString, command);
    QFETCH(QString, window);

    AppHarness h;
    QVERIFY(h.prepare(u"[Comm]\nCnfg=True\n[Settings]\nExitDelay=False\n"_s));
    QCOMPARE(h.app->Main(), Application::StartResult::Running);
    h.action(command)->trigger();
    QWidget* opened = h.app->windows()->window(window);
    QVERIFY(opened);
    QTRY_VERIFY(opened->isVisible());
    h.action(command)->trigger();
    QCOMPARE(h.app->windows()->window(window), opened);

    // They go when the main window goes.
    QVERIFY(h.window()->close());
    QTRY_VERIFY(!h.app->windows()->window(window) || !h.app->windows()->window(window)->isVisible());
}

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestMainDisplayWindow)
#include "tst_maindisplaywindow.moc"
