// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/appinfo.h"
#include "reception/modemchannel.h"
#include "records/recordgridmodel.h"
#include "support/recordingstatus.h"
#include "windows/recordfixture.h"
#include "windows/windowset.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Quillon;
using namespace Quillon::Test;

class TestWindowSet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void eachWindowOpensOnceOwnedAndCentred_data();
    void eachWindowOpensOnceOwnedAndCentred();
    void closingUnloadsTheWindow();
    void phoneIndexComesForwardWithoutQueryingAgain();
    void aboutShowsTitleAndVersion();
    void aboutClosesOnEnterAndEscape_data();
    void aboutClosesOnEnterAndEscape();
    void refreshLoadsTheCommunicationsWindowHidden();

private:
    std::unique_ptr<RecordFixture> m_fixture;
    std::unique_ptr<RecordingStatus> m_status;
    std::unique_ptr<MdmCmd> m_modem;
    std::unique_ptr<WindowSet> m_set;
};

void TestWindowSet::init()
{
    m_fixture = std::make_unique<RecordFixture>();
    QVERIFY(m_fixture->opened);
    m_status = std::make_unique<RecordingStatus>();
    m_modem = std::make_unique<MdmCmd>(m_fixture->dir.path(), m_fixture->settings, m_fixture->port, m_fixture->clock,
                                       m_fixture->log, m_fixture->boxes, *m_status);
    m_set = std::make_unique<WindowSet>(&m_fixture->owner, m_fixture->dir.path(), m_fixture->settings, *m_modem,
                                        m_fixture->database, m_fixture->boxes);
}

void TestWindowSet::cleanup()
{
    m_set.reset();
    m_modem.reset();
    m_status.reset();
    m_fixture.reset();
}

void TestWindowSet::eachWindowOpensOnceOwnedAndCentred_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("communications") << QStringLiteral("frmCommSettings") << QStringLiteral("Communications");
    QTest::newRow("format") << QStringLiteral("frmFormat") << QStringLiteral("CallerID Format");
    QTest::newRow("search") << QStringLiteral("frmSearch") << QStringLiteral("Search Caller Information");
    QTest::newRow("reject") << QStringLiteral("frmReject") << QStringLiteral("Rejected Numbers");
    QTest::newRow("phone index") << QStringLiteral("frmPhnBook") << QStringLiteral("Phone Index");
    QTest::newRow("translate") << QStringLiteral("frmTranslate") << QStringLiteral("Enter Caller Information");
    QTest::newRow("about") << QStringLiteral("frmAbout") << QStringLiteral("About ") + programTitle();
}

void TestWindowSet::eachWindowOpensOnceOwnedAndCentred()
{
    QFETCH(QString, name);
    QFETCH(QString, title);

    const QHash<QString, void (WindowSet::*)()> commands {
        { QStringLiteral("frmCommSettings"), &WindowSet::openCommunications },
        { QStringLiteral("frmFormat"), &WindowSet::openFormat },
        { QStringLiteral("frmSearch"), &WindowSet::openSearch },
        { QStringLiteral("frmReject"), &WindowSet::openReject },
        { QStringLiteral("frmPhnBook"), &WindowSet::openPhoneIndex },
        { QStringLiteral("frmTranslate"), &WindowSet::openTranslate },
        { QStringLiteral("frmAbout"), &WindowSet::openAbout },
    };
    const auto open = commands.value(name);
    QVERIFY(!m_set->window(name));
    (m_set.get()->*open)();
    QWidget* window = m_set->window(name);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(window->parentWidget(), &m_fixture->owner);
    QVERIFY(window->isWindow());
    QVERIFY(!window->isModal());
    const QRect screen = window->screen()->geometry();
    QVERIFY2(qAbs(window->frameGeometry().center().x() - screen.center().x()) <= 2
                 && qAbs(window->frameGeometry().center().y() - screen.center().y()) <= 2,
             qPrintable(QStringLiteral("window at %1,%2").arg(window->x()).arg(window->y())));

    // Choosing the command again brings the same window forward.
    window->hide();
    (m_set.get()->*open)();
    QCOMPARE(m_set->window(name), window);
    QVERIFY(window->isVisible());
    QCOMPARE(m_fixture->owner.findChildren<QWidget*>(name).size(), 1);
}

void TestWindowSet::closingUnloadsTheWindow()
{
    m_set->openSearch();
    QPointer<QWidget> search = m_set->window(QStringLiteral("frmSearch"));
    QVERIFY(search->close());
    QTRY_VERIFY(!search);
    QVERIFY(!m_set->window(QStringLiteral("frmSearch")));
    m_set->openSearch();
    QVERIFY(m_set->window(QStringLiteral("frmSearch")));

    m_set->openReject();
    m_set->openTranslate();
    m_set->closeAll();
    QTRY_VERIFY(!m_set->window(QStringLiteral("frmReject")) && !m_set->window(QStringLiteral("frmTranslate"))
                && !m_set->window(QStringLiteral("frmSearch")));
}

void TestWindowSet::phoneIndexComesForwardWithoutQueryingAgain()
{
    m_fixture->addCall(QStringLiteral("SMITH JOHN"), QStringLiteral("555-123-4567"));
    m_set->openPhoneIndex();
    auto* model = m_set->window(QStringLiteral("frmPhnBook"))->findChild<RecordGridModel*>();
    QCOMPARE(model->rowCount(), 1);
    m_fixture->addCall(QStringLiteral("JONES MARY"), QStringLiteral("212-867-5309"));
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    m_set->openPhoneIndex();
    QCOMPARE(resets.size(), 0);
    QCOMPARE(model->rowCount(), 1);

    // Reopened, it takes a new snapshot.
    m_set->window(QStringLiteral("frmPhnBook"))->close();
    QTRY_VERIFY(!m_set->window(QStringLiteral("frmPhnBook")));
    m_set->openPhoneIndex();
    QCOMPARE(m_set->window(QStringLiteral("frmPhnBook"))->findChild<RecordGridModel*>()->rowCount(), 2);
}

void TestWindowSet::aboutShowsTitleAndVersion()
{
    m_set->openAbout();
    QWidget* about = m_set->window(QStringLiteral("frmAbout"));
    QCOMPARE(about->windowTitle(), QStringLiteral("About Quillon CallerID"));
    auto* title = about->findChild<QLabel*>(QStringLiteral("lblTitle"));
    QCOMPARE(title->text(), QStringLiteral("Quillon CallerID"));
    QVERIFY(title->font().bold());
    QCOMPARE(title->font().pointSize(), 12);
    QCOMPARE(about->findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 2.52.94"));
    QCOMPARE(QStringLiteral("Version ") + versionText(), QStringLiteral("Version 2.52.94"));
    QVERIFY(!about->findChild<QLabel*>(QStringLiteral("picIcon"))->pixmap().isNull());
}

void TestWindowSet::aboutClosesOnEnterAndEscape_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void TestWindowSet::aboutClosesOnEnterAndEscape()
{
    QFETCH(int, key);
    m_set->openAbout();
    QPointer<QWidget> about = m_set->window(QStringLiteral("frmAbout"));
    QVERIFY(QTest::qWaitForWindowActive(about));
    QTest::keyClick(about->focusWidget(), Qt::Key(key));
    QTRY_VERIFY(!about);
}

void TestWindowSet::refreshLoadsTheCommunicationsWindowHidden()
{
    m_fixture->settings.ComPort = 3;
    m_fixture->dir.writeIni(QStringLiteral("[Comm]\r\nComPort=3\r\n"));
    m_set->refreshCommSettings();
    QWidget* window = m_set->window(QStringLiteral("frmCommSettings"));
    QVERIFY(window);
    QVERIFY(!window->isVisible());
    QVERIFY(window->findChild<QAbstractButton*>(QStringLiteral("Option6"))->isChecked());
    m_set->openCommunications();
    QCOMPARE(m_set->window(QStringLiteral("frmCommSettings")), window);
    QVERIFY(window->isVisible());
}

QTEST_MAIN(TestWindowSet)
#include "tst_windowset.moc"
