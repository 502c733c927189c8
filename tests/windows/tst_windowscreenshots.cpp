// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures of the settings and record windows with sample data, for the
// documentation. Skipped unless QUILLON_SCREENSHOTS names the directory to
// write them to; run it under xvfb-run for the desktop's own look.
#include "network/networkservice.h"
#include "windowrig.h"

#include <QDir>
#include <QMenu>
#include <QPainter>

namespace Quillon::Test {

class TestWindowScreenshots : public WindowRig
{
    Q_OBJECT

private Q_SLOTS:
    void takeScreenshots()
    {
        const QString target = qEnvironmentVariable("QUILLON_SCREENSHOTS");
        if (target.isEmpty())
            QSKIP("QUILLON_SCREENSHOTS is not set");
        QVERIFY(QDir().mkpath(target));
        QVERIFY(h->start());
        h->writeIni(u"[Comm]\nComPort=1\nBaud=14400\n[Modem]\nModemStrng=AT+VCID=1"_s);
        for (const QString& call :
             u"SMITH JOHN|555-123-4567;GARCIA MARIA|212-555-0147;O'BRIEN PAT|416-555-0101;"
             "UNKNOWN|UNKNOWN;SMITH JOHN|555-123-4567;BLACKSMITH HARDWARE|555-987-6543;"
             "ID BLOCKED|ID BLOCKED;NGUYEN LINH|312-555-0199;DOCTOR'S OFFICE|555-246-8100"_s.split(u';'))
            h->addCall(call);
        h->rows(u"INSERT INTO Reject (Number, Name) VALUES ('800-555-0199', 'N/A'), ('000-000-0000', 'CARD SERVICES'), "
                "('888-555-0123', 'SURVEY LINE'), ('900-*', 'N/A'), ('000-000-0000', '*WIRELESS*')"_s);
        h->rows(u"UPDATE CID SET Rejected = 1 WHERE Number IN ('UNKNOWN', 'ID BLOCKED')"_s);
        h->app->settings().Hidden = true;
        h->app->settings().QuietHours = u"22:00-07:00"_s;
        h->rows(u"INSERT INTO Translate (Number, Name) VALUES ('555-123-4567', 'SMITH JOHN'), "
                "('212-555-0147', 'GARCIA MARIA'), ('555-246-8100', 'DENTIST ')"_s);
        h->app->network().settings().Share = true; // shown, not applied
        // Menu command:window:picture.
        for (const QString& shot :
             u"Communications:frmCommSettings:communications Format:frmFormat:number-format "
             "Search:frmSearch:search Reject:frmReject:reject-list Translate:frmTranslate:"
             "translate-list PhoneBook:frmPhnBook:phone-index About:frmAbout:about Network:frmNetwork:network "
             "Blocking:frmBlocking:blocking"_s.split(u' ')) {
            QVERIFY(open(shot.section(u':', 0, 0)));
            QCOMPARE(m_window->objectName(), shot.section(u':', 1, 1));
            if (auto* text = child(u"txtSearch"_s)) { // the callers by name
                choose(u"Option2"_s);
                text->setText(u"SMI"_s);
                click(u"cmdSearch"_s);
            }
            QVERIFY(QTest::qWaitForWindowExposed(m_window));
            QTest::qWait(100);
            QVERIFY(m_window->grab().save(QDir(target).filePath(shot.section(u':', 2) + u".png"_s)));
            m_window->close(); // so the next command's window is the one opened last
        }

        // Search grown by the user, every call listed, and its menu on a caller.
        QVERIFY(open(u"Search"_s));
        click(u"cmdSearch"_s);
        m_window->resize(m_window->size() + QSize(220, 120));
        QTest::qWait(100);
        QVERIFY(m_window->grab().save(QDir(target).filePath(u"search-resized.png"_s)));
        const QPoint at = grid()->visualRect(grid()->model()->index(1, 1)).center();
        Q_EMIT grid()->customContextMenuRequested(at);
        auto* menu = grid()->findChild<QMenu*>(u"callerMenu"_s);
        QTRY_VERIFY(menu->isVisible());
        QTest::qWait(100);
        QPixmap picture = m_window->grab();
        QPainter painter(&picture);
        painter.drawPixmap(menu->pos() - m_window->mapToGlobal(QPoint(0, 0)), menu->grab());
        painter.end();
        menu->hide();
        QVERIFY(picture.save(QDir(target).filePath(u"caller-menu.png"_s)));
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestWindowScreenshots)
#include "tst_windowscreenshots.moc"
