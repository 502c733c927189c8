// SPDX-License-Identifier: GPL-2.0-or-later
// Pictures of every settings and record window with sample data, for the
// documentation. Skipped unless QUILLON_SCREENSHOTS names the directory to
// write them to; run it under xvfb-run for the desktop's own look.
#include "reception/modemchannel.h"
#include "support/recordingstatus.h"
#include "windows/recordfixture.h"
#include "windows/windowset.h"

#include <QAbstractButton>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace Quillon;
using namespace Quillon::Test;

class TestWindowScreenshots : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void takeScreenshots();
};

void TestWindowScreenshots::takeScreenshots()
{
    const QString target = qEnvironmentVariable("QUILLON_SCREENSHOTS");
    if (target.isEmpty())
        QSKIP("QUILLON_SCREENSHOTS is not set");
    QVERIFY(QDir().mkpath(target));

    RecordFixture fixture;
    QVERIFY(fixture.opened);
    // The windows take their icon from the main window, which shows the program's.
    Q_INIT_RESOURCE(icons);
    fixture.owner.setWindowIcon(QIcon(QStringLiteral(":/icons/quilloncid.png")));
    fixture.dir.writeIni(QStringLiteral("[Comm]\r\nComPort=1\r\nBaud=14400\r\n[Modem]\r\nModemStrng=AT+VCID=1\r\n"));
    const QList<QPair<QString, QString>> calls {
        { QStringLiteral("SMITH JOHN"), QStringLiteral("555-123-4567") },
        { QStringLiteral("GARCIA MARIA"), QStringLiteral("212-555-0147") },
        { QStringLiteral("O'BRIEN PAT"), QStringLiteral("416-555-0101") },
        { QStringLiteral("UNKNOWN"), QStringLiteral("UNKNOWN") },
        { QStringLiteral("SMITH JOHN"), QStringLiteral("555-123-4567") },
        { QStringLiteral("BLACKSMITH HARDWARE"), QStringLiteral("555-987-6543") },
        { QStringLiteral("ID BLOCKED"), QStringLiteral("ID BLOCKED") },
        { QStringLiteral("NGUYEN LINH"), QStringLiteral("312-555-0199") },
        { QStringLiteral("DOCTOR'S OFFICE"), QStringLiteral("555-246-8100") },
    };
    for (const auto& call : calls)
        fixture.addCall(call.first, call.second);
    fixture.database.AddReject(QStringLiteral("800-555-0199"), QStringLiteral("N/A"));
    fixture.database.AddReject(QStringLiteral("000-000-0000"), QStringLiteral("CARD SERVICES"));
    fixture.database.AddReject(QStringLiteral("888-555-0123"), QStringLiteral("SURVEY LINE"));
    fixture.database.AddTranslate(QStringLiteral("555-123-4567"), QStringLiteral("SMITH JOHN"));
    fixture.database.AddTranslate(QStringLiteral("212-555-0147"), QStringLiteral("GARCIA MARIA"));
    fixture.database.AddTranslate(QStringLiteral("555-246-8100"), QStringLiteral("DENTIST "));

    RecordingStatus status;
    MdmCmd modem(fixture.dir.path(), fixture.settings, fixture.port, fixture.clock, fixture.log, fixture.boxes, status);
    WindowSet set(&fixture.owner, fixture.dir.path(), fixture.settings, modem, fixture.database, fixture.boxes);

    const auto save = [&](const QString& objectName, const QString& file) {
        QWidget* window = set.window(objectName);
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::qWait(100);
        QVERIFY(window->grab().save(QDir(target).filePath(file)));
    };

    set.openCommunications();
    save(QStringLiteral("frmCommSettings"), QStringLiteral("communications.png"));
    set.openFormat();
    save(QStringLiteral("frmFormat"), QStringLiteral("number-format.png"));

    set.openSearch();
    QWidget* search = set.window(QStringLiteral("frmSearch"));
    QTest::mouseClick(search->findChild<QRadioButton*>(QStringLiteral("Option2")), Qt::LeftButton);
    QTest::keyClicks(search->findChild<QLineEdit*>(QStringLiteral("txtSearch")), QStringLiteral("SMI"));
    QTest::mouseClick(search->findChild<QAbstractButton*>(QStringLiteral("cmdSearch")), Qt::LeftButton);
    save(QStringLiteral("frmSearch"), QStringLiteral("search.png"));

    set.openReject();
    QWidget* reject = set.window(QStringLiteral("frmReject"));
    reject->findChild<QLineEdit*>(QStringLiteral("txtName"))->setText(QStringLiteral("Pollster"));
    save(QStringLiteral("frmReject"), QStringLiteral("reject-list.png"));

    set.openTranslate();
    QWidget* translate = set.window(QStringLiteral("frmTranslate"));
    translate->findChild<QLineEdit*>(QStringLiteral("txtFirstName"))->setText(QStringLiteral("Linh"));
    translate->findChild<QLineEdit*>(QStringLiteral("txtLastName"))->setText(QStringLiteral("Nguyen"));
    translate->findChild<QLineEdit*>(QStringLiteral("txtNumber"))->setText(QStringLiteral("312-555-0199"));
    save(QStringLiteral("frmTranslate"), QStringLiteral("translate-list.png"));

    set.openPhoneIndex();
    save(QStringLiteral("frmPhnBook"), QStringLiteral("phone-index.png"));
    set.openAbout();
    save(QStringLiteral("frmAbout"), QStringLiteral("about.png"));
}

QTEST_MAIN(TestWindowScreenshots)
#include "tst_windowscreenshots.moc"
