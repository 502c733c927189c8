// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures of the settings and record windows with sample data, for the
// documentation. Skipped unless QUILLON_SCREENSHOTS names the directory to
// write them to; run it under xvfb-run for the desktop's own look.
#include "app/appharness.h"

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Quillon;
using namespace Quillon::Test;

class TestWindowScreenshots : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void takeScreenshots()
    {
        const QString target = qEnvironmentVariable("QUILLON_SCREENSHOTS");
        if (target.isEmpty())
            QSKIP("QUILLON_SCREENSHOTS is not set");
        QVERIFY(QDir().mkpath(target));
        Harness h;
        QVERIFY(h.start());
        h.writeIni(u"[Comm]\nComPort=1\nBaud=14400\n[Modem]\nModemStrng=AT+VCID=1"_s);
        for (const char* call : { "SMITH JOHN|555-123-4567", "GARCIA MARIA|212-555-0147", "O'BRIEN PAT|416-555-0101",
                                  "UNKNOWN|UNKNOWN", "SMITH JOHN|555-123-4567", "BLACKSMITH HARDWARE|555-987-6543",
                                  "ID BLOCKED|ID BLOCKED", "NGUYEN LINH|312-555-0199", "DOCTOR'S OFFICE|555-246-8100" })
            h.addCall(QString::fromLatin1(call));
        CallDatabase& db = h.app->database();
        db.AddReject(u"800-555-0199"_s, u"N/A"_s);
        db.AddReject(u"000-000-0000"_s, u"CARD SERVICES"_s);
        db.AddReject(u"888-555-0123"_s, u"SURVEY LINE"_s);
        db.AddTranslate(u"555-123-4567"_s, u"SMITH JOHN"_s);
        db.AddTranslate(u"212-555-0147"_s, u"GARCIA MARIA"_s);
        db.AddTranslate(u"555-246-8100"_s, u"DENTIST "_s);
        WindowSet& set = *h.app->windows();
        const auto save = [&](const QString& name, const QString& file) {
            QWidget* window = set.window(name);
            QVERIFY(window);
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QTest::qWait(100);
            QVERIFY(window->grab().save(QDir(target).filePath(file)));
        };
        const auto type = [&set](const QString& window, const QString& box, const QString& text) {
            set.window(window)->findChild<QLineEdit*>(box)->setText(text);
        };
        set.openCommunications();
        save(u"frmCommSettings"_s, u"communications.png"_s);
        set.openFormat();
        save(u"frmFormat"_s, u"number-format.png"_s);
        set.openSearch();
        QWidget* search = set.window(u"frmSearch"_s);
        QTest::mouseClick(search->findChild<QAbstractButton*>(u"Option2"_s), Qt::LeftButton);
        QTest::keyClicks(search->findChild<QLineEdit*>(u"txtSearch"_s), u"SMI"_s);
        QTest::mouseClick(search->findChild<QAbstractButton*>(u"cmdSearch"_s), Qt::LeftButton);
        save(u"frmSearch"_s, u"search.png"_s);
        set.openReject();
        type(u"frmReject"_s, u"txtName"_s, u"Pollster"_s);
        save(u"frmReject"_s, u"reject-list.png"_s);
        set.openTranslate();
        type(u"frmTranslate"_s, u"txtFirstName"_s, u"Linh"_s);
        type(u"frmTranslate"_s, u"txtLastName"_s, u"Nguyen"_s);
        type(u"frmTranslate"_s, u"txtNumber"_s, u"312-555-0199"_s);
        save(u"frmTranslate"_s, u"translate-list.png"_s);
        set.openPhoneIndex();
        save(u"frmPhnBook"_s, u"phone-index.png"_s);
        set.openAbout();
        save(u"frmAbout"_s, u"about.png"_s);
    }
};

QTEST_MAIN(TestWindowScreenshots)
#include "tst_windowscreenshots.moc"
