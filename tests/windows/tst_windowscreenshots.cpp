// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures of the settings and record windows with sample data, for the
// documentation. Skipped unless QUILLON_SCREENSHOTS names the directory to
// write them to; run it under xvfb-run for the desktop's own look.
#include "app/appharness.h"

#include <QDir>
#include <QLineEdit>

namespace Quillon::Test {

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
        h.rows(u"INSERT INTO Reject (Number, Name) VALUES ('800-555-0199', 'N/A'), ('000-000-0000', 'CARD SERVICES'), "
               "('888-555-0123', 'SURVEY LINE')"_s);
        h.rows(u"INSERT INTO Translate (Number, Name) VALUES ('555-123-4567', 'SMITH JOHN'), "
               "('212-555-0147', 'GARCIA MARIA'), ('555-246-8100', 'DENTIST ')"_s);

        // Window, menu command, picture, then what is typed: box, text, ...
        const QList<QStringList> shots {
            { u"frmCommSettings"_s, u"Communications"_s, u"communications.png"_s },
            { u"frmFormat"_s, u"Format"_s, u"number-format.png"_s },
            { u"frmSearch"_s, u"Search"_s, u"search.png"_s, u"txtSearch"_s, u"SMI"_s },
            { u"frmReject"_s, u"Reject"_s, u"reject-list.png"_s, u"txtName"_s, u"Pollster"_s },
            { u"frmTranslate"_s, u"Translate"_s, u"translate-list.png"_s, u"txtFirstName"_s, u"Linh"_s,
              u"txtLastName"_s, u"Nguyen"_s, u"txtNumber"_s, u"312-555-0199"_s },
            { u"frmPhnBook"_s, u"PhoneBook"_s, u"phone-index.png"_s },
            { u"frmAbout"_s, u"About"_s, u"about.png"_s }
        };
        for (const QStringList& shot : shots) {
            h.action(shot.at(1))->trigger();
            QWidget* window = h.app->windows()->window(shot.at(0));
            QVERIFY(window);
            if (shot.at(0) == u"frmSearch"_s) // by name
                QTest::mouseClick(window->findChild<QWidget*>(u"Option2"_s), Qt::LeftButton, {}, QPoint(6, 8));
            for (qsizetype i = 3; i + 1 < shot.size(); i += 2)
                window->findChild<QLineEdit*>(shot.at(i))->setText(shot.at(i + 1));
            if (QWidget* search = window->findChild<QWidget*>(u"cmdSearch"_s))
                QTest::mouseClick(search, Qt::LeftButton);
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QTest::qWait(100);
            QVERIFY(window->grab().save(QDir(target).filePath(shot.at(2))));
        }
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestWindowScreenshots)
#include "tst_windowscreenshots.moc"
