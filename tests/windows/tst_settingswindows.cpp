// SPDX-License-Identifier: GPL-2.0-or-later
// The settings windows. Communications: what Save and Exit keep, and Reset
// looking for the modem again; number format: a choice applies at once.
#include "reception/modemdetection.h"
#include "windowrig.h"

#include <QCheckBox>

namespace Quillon::Test {

class TestSettingsWindows : public WindowRig
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { renew(); }

    void commSaveKeepsWhatNoOptionShows_data()
    {
        QTest::addColumn<QString>("comm");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("saved"); // port|speed|command
        QTest::addColumn<QString>("message");
        QTest::newRow("speed 9600") << u"[Comm]\nComPort=1\nBaud=9600"_s << u"Option4 Option8"_s << u"1|9600|AT#CID=1"_s
                                    << QString();
        QTest::newRow("port 7") << u"[Comm]\nComPort=7\nBaud=28800"_s << u"Option18 Option8"_s << u"7|28800|AT#CID=1"_s
                                << u"Comm Port 7 could not be found!"_s;
    }

    void commSaveKeepsWhatNoOptionShows()
    {
        QFETCH(QString, comm);
        QFETCH(QString, options);
        QFETCH(QString, saved);
        QFETCH(QString, message);
        QVERIFY(h->start());
        h->app->settings().ComPort = 2; // the file's values replace these
        h->app->settings().Baud = u"14400"_s;
        h->writeIni(comm);
        QVERIFY(open(u"Communications"_s));
        QCOMPARE(checkedOptions(), options);
        click(u"cmdSave"_s);
        QCOMPARE(h->ini(u"Comm"_s, u"ComPort"_s) + u'|' + h->ini(u"Comm"_s, u"Baud"_s) + u'|'
                     + h->ini(u"Modem"_s, u"ModemStrng"_s),
                 saved);
        QCOMPARE(h->boxes.shown.value(0).text, message);
        QCOMPARE(h->port->isOpen(), message.isEmpty());
        QVERIFY(m_window->isVisible());
    }

    void commExitKeepsTheChoicesUnsaved()
    {
        QVERIFY(h->start() && open(u"CommSet"_s));
        const QString before = h->dir.readFile(u"QuillonCID.ini"_s);
        QCOMPARE(child<QRadioButton>(u"Option9"_s)->text(), u"Motorola"_s);
        choose(u"Option9"_s);
        choose(u"Option19"_s);
        click(u"cmdCancel"_s);
        QTRY_VERIFY(!m_window || !m_window->isVisible());
        QCOMPARE(h->app->settings().Baud, u"57600"_s);
        h->modem.pump();
        h->modem.clearReceivedCommands();
        h->app->modem().ReinitModem();
        QCOMPARE(h->modem.receivedCommands(), QStringList({ u"ATZ"_s, u"AT*ID1"_s }));
        QCOMPARE(h->dir.readFile(u"QuillonCID.ini"_s).section(u"[Windows]"_s, 0, 0), before); // where it was, kept
    }

    void commResetDetectsOnce() // while it runs, nothing starts it again
    {
        QVERIFY(h->start());
        h->pass(1100);
        h->modem.clearReceivedCommands();
        QVERIFY(open(u"Communications"_s));
        QStringList seen;
        bool again = false;
        h->clock.setWaitHook([&](int ms) { // while the modem on port 1 is probed
            h->modem.advance(ms);
            if (ms != 1000 || again)
                return;
            again = true;
            for (const QString& button : { u"cmdSave"_s, u"cmdReset"_s, u"cmdCancel"_s })
                seen << u"%1 %2"_s.arg(button).arg(child<QPushButton>(button)->isEnabled());
            for (const QString& item : { u"Start"_s, u"Suspend"_s, u"StrtBtn"_s, u"SpndBtn"_s }) {
                seen << u"%1 %2"_s.arg(item).arg(h->action(item)->isEnabled());
                h->action(item)->trigger();
            }
            seen << (h->app->pleaseWait() ? h->app->pleaseWait()->findChild<QLabel*>(u"lblPort"_s)->text()
                                          : u"no window"_s);
            seen << u"again %1"_s.arg(h->app->detector().DetectModem());
        });
        click(u"cmdReset"_s);
        QCOMPARE(seen,
                 QStringList({ u"cmdSave 0"_s, u"cmdReset 0"_s, u"cmdCancel 0"_s, u"Start 0"_s, u"Suspend 0"_s,
                               u"StrtBtn 0"_s, u"SpndBtn 0"_s,
                               u"Trying Comm Port 1 (%1) ..."_s.arg(h->modem.portPath()), u"again 0"_s }));
        // One probe, one caller-ID command, then the command from the stored settings.
        QCOMPARE(h->modem.receivedCommands(), QStringList({ u"AT&F"_s, u"AT#CID=1"_s, u"AT#CID=1"_s }));
        QVERIFY(child<QPushButton>(u"cmdReset"_s)->isEnabled() && h->action(u"StrtBtn"_s)->isEnabled());
        QTRY_VERIFY(!h->app->pleaseWait());
        QVERIFY(h->port->isOpen());
        QCOMPARE(h->window()->statusText(), u"Ready"_s);
    }

    // A choice takes effect at once, Exit stores nothing; a new layout saved: the list numbers whose digits fit
    // it are rewritten when the user says Yes (the default); the stand-in, special values, patterns and numbers of
    // other lengths are not.
    void formatChoiceAppliesAndSaveOffersToRewriteLists_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("lists"); // reject numbers / translate numbers, by rowid
        QTest::addColumn<QString>("said");
        const QString asked = u"CallerID Format|Numbers on the reject and translate lists are kept in the layout "
                              "calls are shown in, and in the old one they no longer match.\r\nRewrite them in the "
                              "new layout now?"_s;
        QTest::newRow("yes") << true
                             << u"55 5123-4567,000-000-0000,ID BLOCKED,800-*,12345 / 21 2555-0100,55 5246-8100"_s
                             << asked
                + u"/CallerID Format|Numbers rewritten in the new layout: 3.\r\nLeft as they "
                  "were, because their digits do not fit it or they are patterns: 2."_s;
        QTest::newRow("no") << false << u"555-123-4567,000-000-0000,ID BLOCKED,800-*,12345 / 212-555-0100,5552468100"_s
                            << asked;
    }

    void formatChoiceAppliesAndSaveOffersToRewriteLists()
    {
        QFETCH(bool, yes);
        QFETCH(QString, lists);
        QFETCH(QString, said);
        QVERIFY(h->start());
        h->rows(u"INSERT INTO Reject (Number, Name) VALUES ('555-123-4567', 'N/A'), ('000-000-0000', 'ACME'), "
                "('ID BLOCKED', 'N/A'), ('800-*', 'N/A'), ('12345', 'N/A')"_s);
        h->rows(
            u"INSERT INTO Translate (Number, Name) VALUES ('212-555-0100', 'WILSON ANN'), ('5552468100', 'DENTIST')"_s);
        QVERIFY(open(u"Format"_s));
        QStringList captions;
        const int lengths[] = { 10, 10, 11, 11, 9, 10, 11, 8 };
        for (int n = 1; n <= 8; ++n) {
            captions << child<QRadioButton>(u"Option%1"_s.arg(n))->text();
            choose(u"Option%1"_s.arg(n));
            QCOMPARE(h->app->settings().Format, qint16(n));
            QCOMPARE(h->app->settings().NmbrLngth, qint16(lengths[n - 1]));
        }
        QCOMPARE(captions.join(u'|'),
                 u"123-456-7890 |12 4566-7890|1234 567-8901|12345-678901|12-3456789|1234 567890|"
                 "123 4567-8901|1234 5678"_s);
        click(u"cmdExit"_s);
        QTRY_VERIFY(!m_window);
        QCOMPARE(h->ini(u"Settings"_s, u"Format"_s), u"<missing>"_s);
        QVERIFY(open(u"Format"_s));
        QCOMPARE(checkedOptions(), u"Option8"_s);
        choose(u"Option1"_s);
        click(u"cmdSave"_s); // the layout the lists are kept in: no question
        QCOMPARE(h->shownBoxes(), QStringList());
        choose(u"Option2"_s);
        h->boxes.queueAnswer(yes ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
        click(u"cmdSave"_s);
        QVERIFY(m_window->isVisible());
        QCOMPARE(h->ini(u"Settings"_s, u"Format"_s) + u'|' + h->ini(u"Settings"_s, u"NmbrLngth"_s), u"2|10"_s);
        QCOMPARE(h->shownBoxes().join(u'/'), said);
        QCOMPARE(h->rows(u"SELECT Number FROM Reject ORDER BY rowid"_s).join(u',') + u" / "_s
                     + h->rows(u"SELECT Number FROM Translate ORDER BY rowid"_s).join(u','),
                 lists);
        click(u"cmdSave"_s); // saved again in that layout: asked no more
        QCOMPARE(h->shownBoxes().join(u'/'), said);
    }

    // Blocking: Save applies and stores, Exit leaves both as they were; quiet hours that cannot be read are
    // refused with a box and stay in their box.
    void blockingSaveAppliesAndStores()
    {
        QVERIFY(h->start() && open(u"Blocking"_s));
        const auto state = [this] {
            const WorkingSettings& s = h->app->settings();
            return u"%1 %2 [%3] %4|%5 %6 [%7] %8"_s.arg(int(s.Hidden))
                .arg(int(s.AllowListOnly))
                .arg(s.QuietHours)
                .arg(int(s.HangUpFax))
                .arg(h->ini(u"Blocking"_s, u"Hidden"_s), h->ini(u"Blocking"_s, u"AllowListOnly"_s),
                     h->ini(u"Blocking"_s, u"QuietHours"_s), h->ini(u"Blocking"_s, u"HangUp"_s));
        };
        QCOMPARE(checkedOptions(), u"optAnswer"_s);
        child<QCheckBox>(u"chkHidden"_s)->setChecked(true);
        child<QLineEdit>(u"txtQuietHours"_s)->setText(u"22:00-07:00"_s);
        choose(u"optFax"_s);
        click(u"cmdExit"_s);
        QTRY_VERIFY(!m_window);
        QCOMPARE(state(), u"0 0 [] 0|<missing> <missing> [<missing>] <missing>"_s);

        QVERIFY(open(u"Blocking"_s));
        QVERIFY(!child<QCheckBox>(u"chkHidden"_s)->isChecked());
        child<QCheckBox>(u"chkAllowListOnly"_s)->setChecked(true);
        child<QLineEdit>(u"txtQuietHours"_s)->setText(u"10pm-7am"_s);
        click(u"cmdSave"_s);
        QCOMPARE(h->shownBoxes().join(u'/'),
                 u"Blocking|Quiet hours are written from-to as HH:MM-HH:MM, such as 22:00-07:00, or left empty."_s);
        QCOMPARE(child<QLineEdit>(u"txtQuietHours"_s)->text(), u"10pm-7am"_s);
        QCOMPARE(state(), u"0 0 [] 0|<missing> <missing> [<missing>] <missing>"_s);
        child<QLineEdit>(u"txtQuietHours"_s)->setText(u" 22:00-07:00 "_s);
        choose(u"optFax"_s);
        click(u"cmdSave"_s);
        QVERIFY(m_window->isVisible());
        QCOMPARE(state(), u"0 1 [22:00-07:00] 1|False True [22:00-07:00] Fax"_s);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestSettingsWindows)
#include "tst_settingswindows.moc"
