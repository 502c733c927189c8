// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/commsettingswindow.h"
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "modemsimulator.h"
#include "platform/qtserialport.h"
#include "reception/modemchannel.h"
#include "records/activitylog.h"
#include "support/appdir.h"
#include "support/fakeclock.h"
#include "support/recordingboxes.h"
#include "support/recordingstatus.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace Quillon;
using namespace Quillon::Test;

class TestCommSettingsWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void showsTheStoredSettings_data();
    void showsTheStoredSettings();
    void saveStoresValuesWithoutOptionUnchanged_data();
    void saveStoresValuesWithoutOptionUnchanged();
    void optionClickChangesTheWorkingSettingsOnly_data();
    void optionClickChangesTheWorkingSettingsOnly();
    void modemTypeThenExitChangesOnlyReinitialisation();
    void portOptionsNameTheirDevices();
    void resetDetectsAndShowsTheOutcome_data();
    void resetDetectsAndShowsTheOutcome();

private:
    QRadioButton* option(const QString& name) const { return m_window->findChild<QRadioButton*>(name); }
    QStringList checkedOptions() const
    {
        QStringList names;
        const QList<QRadioButton*> options = m_window->findChildren<QRadioButton*>();
        for (QRadioButton* button : options) {
            if (button->isChecked())
                names.append(button->objectName());
        }
        names.sort();
        return names;
    }
    static void click(QAbstractButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    void writeIni(const QString& comm)
    {
        m_dir->writeIni(QStringLiteral("[Ports]\r\nComm1=") + m_modemSim->portPath()
                        + QStringLiteral("\r\nComm2=\r\nComm3=\r\nComm4=\r\nComm5=\r\nComm6=\r\n") + comm);
    }
    QString stored(const QString& section, const QString& key) const
    {
        return GetIniValue(m_dir->iniPath(), section, key, QStringLiteral("<missing>"));
    }
    void load()
    {
        m_window = std::make_unique<CommSettingsWindow>(&m_owner, *m_modem);
        m_window->show();
    }

    std::unique_ptr<AppDir> m_dir;
    WorkingSettings m_settings;
    std::unique_ptr<FakeClock> m_clock;
    std::unique_ptr<ActivityLog> m_log;
    std::unique_ptr<QtSerialPort> m_port;
    RecordingBoxes m_boxes;
    RecordingStatus m_status;
    std::unique_ptr<Sim::ModemSimulator> m_modemSim;
    std::unique_ptr<MdmCmd> m_modem;
    QWidget m_owner;
    std::unique_ptr<CommSettingsWindow> m_window;
};

void TestCommSettingsWindow::init()
{
    m_dir = std::make_unique<AppDir>();
    m_settings = WorkingSettings();
    m_boxes = RecordingBoxes();
    m_status = RecordingStatus();
    m_clock = std::make_unique<FakeClock>();
    m_log = std::make_unique<ActivityLog>(m_dir->path(), m_settings, *m_clock);
    m_port = std::make_unique<QtSerialPort>(m_dir->path());
    m_modemSim = std::make_unique<Sim::ModemSimulator>();
    m_modemSim->setAcceptedCidCommand(QStringLiteral("AT#CID=1"));
    QVERIFY(m_modemSim->start());
    m_clock->setWaitHook([this](int ms) { m_modemSim->advance(ms); });
    m_modem = std::make_unique<MdmCmd>(m_dir->path(), m_settings, *m_port, *m_clock, *m_log, m_boxes, m_status);
}

void TestCommSettingsWindow::cleanup()
{
    m_window.reset();
    m_modem.reset();
    m_port.reset();
    m_modemSim.reset();
    m_log.reset();
    m_clock.reset();
    m_dir.reset();
}

void TestCommSettingsWindow::showsTheStoredSettings_data()
{
    QTest::addColumn<QString>("comm");
    QTest::addColumn<QStringList>("checked");

    QTest::newRow("defaults") << QString()
                              << QStringList { QStringLiteral("Option3"), QStringLiteral("Option4"),
                                               QStringLiteral("Option8") };
    QTest::newRow("port 5, 57600, Cardinal")
        << QStringLiteral("[Comm]\r\nComPort=5\r\nBaud=57600\r\n[Modem]\r\nModemStrng=AT%CCID=3\r\n")
        << QStringList { QStringLiteral("Option1"), QStringLiteral("Option14"), QStringLiteral("Option19") };
    QTest::newRow("speed 9600") << QStringLiteral("[Comm]\r\nComPort=6\r\nBaud=9600\r\n")
                                << QStringList { QStringLiteral("Option2"), QStringLiteral("Option8") };
    QTest::newRow("port 7") << QStringLiteral("[Comm]\r\nComPort=7\r\nBaud=28800\r\n")
                            << QStringList { QStringLiteral("Option18"), QStringLiteral("Option8") };
    QTest::newRow("command in other case") << QStringLiteral("[Modem]\r\nModemStrng=at#cid=1\r\n")
                                           << QStringList { QStringLiteral("Option3"), QStringLiteral("Option4") };
    QTest::newRow("empty command") << QStringLiteral("[Modem]\r\nModemStrng=\r\n")
                                   << QStringList { QStringLiteral("Option3"), QStringLiteral("Option4") };
}

void TestCommSettingsWindow::showsTheStoredSettings()
{
    QFETCH(QString, comm);
    QFETCH(QStringList, checked);

    // Working values that differ from the file are replaced when the window loads.
    m_settings.ComPort = 2;
    m_settings.Baud = QStringLiteral("28800");
    writeIni(comm);
    load();
    QCOMPARE(checkedOptions(), checked);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Communications"));
    QCOMPARE(commSettingsOf(m_settings).ComPort, LoadCommSettings(m_dir->iniPath(), *m_log).ComPort);
    QCOMPARE(m_settings.Baud, LoadCommSettings(m_dir->iniPath(), *m_log).Baud);
}

void TestCommSettingsWindow::saveStoresValuesWithoutOptionUnchanged_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("message"); // of the port opening; empty: it opened

    QTest::newRow("speed 9600") << QStringLiteral("1") << QStringLiteral("9600") << QString();
    QTest::newRow("port 7") << QStringLiteral("7") << QStringLiteral("14400")
                            << QStringLiteral("Comm Port 7 could not be found!");
}

void TestCommSettingsWindow::saveStoresValuesWithoutOptionUnchanged()
{
    QFETCH(QString, port);
    QFETCH(QString, speed);
    QFETCH(QString, message);

    writeIni(QStringLiteral("[Comm]\r\nComPort=") + port + QStringLiteral("\r\nBaud=") + speed
             + QStringLiteral("\r\n"));
    load();
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdSave")), Qt::LeftButton);
    QCOMPARE(stored(QStringLiteral("Comm"), QStringLiteral("ComPort")), port);
    QCOMPARE(stored(QStringLiteral("Comm"), QStringLiteral("Baud")), speed);
    QCOMPARE(stored(QStringLiteral("Modem"), QStringLiteral("ModemStrng")), QStringLiteral("AT#CID=1"));
    QVERIFY(m_window->isVisible());
    if (message.isEmpty()) {
        QVERIFY2(m_boxes.shown.isEmpty(), qPrintable(m_boxes.shown.value(0).text));
        QVERIFY(m_port->isOpen());
        QVERIFY(m_modemSim->receivedCommands().contains(QStringLiteral("AT#CID=1")));
    } else {
        QCOMPARE(m_boxes.shown.size(), 1);
        QCOMPARE(m_boxes.shown.first().text, message);
    }
}

void TestCommSettingsWindow::optionClickChangesTheWorkingSettingsOnly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("command");

    const QString speed = QStringLiteral("14400");
    const QString hayes = QStringLiteral("AT#CID=1");
    QTest::newRow("Comm 2") << QStringLiteral("Option5") << 2 << speed << hayes;
    QTest::newRow("Comm 4") << QStringLiteral("Option7") << 4 << speed << hayes;
    QTest::newRow("Comm 5") << QStringLiteral("Option1") << 5 << speed << hayes;
    QTest::newRow("Comm 6") << QStringLiteral("Option2") << 6 << speed << hayes;
    QTest::newRow("28800") << QStringLiteral("Option18") << 1 << QStringLiteral("28800") << hayes;
    QTest::newRow("57600") << QStringLiteral("Option19") << 1 << QStringLiteral("57600") << hayes;
    QTest::newRow("Motorola") << QStringLiteral("Option9") << 1 << speed << QStringLiteral("AT*ID1");
    QTest::newRow("ZyXel 42") << QStringLiteral("Option17") << 1 << speed << QStringLiteral("ATS42.2=1");
}

void TestCommSettingsWindow::optionClickChangesTheWorkingSettingsOnly()
{
    QFETCH(QString, name);
    QFETCH(int, port);
    QFETCH(QString, speed);
    QFETCH(QString, command);

    writeIni(QString());
    load();
    const QString before = m_dir->readFile(QStringLiteral("QuillonCID.ini"));
    click(option(name));
    QVERIFY(option(name)->isChecked());
    QCOMPARE(m_settings.ComPort, qint16(port));
    QCOMPARE(m_settings.Baud, speed);
    QCOMPARE(m_settings.ModemStrng, command);
    QCOMPARE(m_dir->readFile(QStringLiteral("QuillonCID.ini")), before);
    QVERIFY(!m_port->isOpen());
}

void TestCommSettingsWindow::modemTypeThenExitChangesOnlyReinitialisation()
{
    writeIni(QString());
    m_modem->OpenCommPort();
    QVERIFY(m_port->isOpen());
    load();
    QCOMPARE(option(QStringLiteral("Option9"))->text(), QStringLiteral("Motorola"));
    click(option(QStringLiteral("Option9")));
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdCancel")), Qt::LeftButton);
    QVERIFY(!m_window->isVisible());

    m_modemSim->pump();
    m_modemSim->clearReceivedCommands();
    m_modem->ReinitModem();
    QCOMPARE(m_modemSim->receivedCommands(), (QStringList { QStringLiteral("ATZ"), QStringLiteral("AT*ID1") }));
    QCOMPARE(stored(QStringLiteral("Modem"), QStringLiteral("ModemStrng")), QStringLiteral("<missing>"));
}

void TestCommSettingsWindow::portOptionsNameTheirDevices()
{
    m_dir->writeIni(QStringLiteral("[Ports]\r\nComm3=/dev/ttyModem\r\n"));
    load();
    QCOMPARE(option(QStringLiteral("Option6"))->toolTip(), QStringLiteral("/dev/ttyModem"));
    QCOMPARE(option(QStringLiteral("Option4"))->toolTip(), QtSerialPort::defaultDevicePath(1));
    QCOMPARE(option(QStringLiteral("Option2"))->toolTip(), QtSerialPort::defaultDevicePath(6));
}

void TestCommSettingsWindow::resetDetectsAndShowsTheOutcome_data()
{
    QTest::addColumn<bool>("useIt");
    QTest::addColumn<QStringList>("checked");
    QTest::addColumn<QString>("command");

    QTest::newRow("yes") << true
                         << QStringList { QStringLiteral("Option10"), QStringLiteral("Option19"),
                                          QStringLiteral("Option4") }
                         << QStringLiteral("AT#CC1");
    // Declined: the port stays, the command is emptied and matches no type.
    QTest::newRow("no") << false << QStringList { QStringLiteral("Option19"), QStringLiteral("Option4") } << QString();
}

void TestCommSettingsWindow::resetDetectsAndShowsTheOutcome()
{
    QFETCH(bool, useIt);
    QFETCH(QStringList, checked);
    QFETCH(QString, command);

    m_modemSim->setAcceptedCidCommand(QStringLiteral("AT#CC1"));
    writeIni(QStringLiteral("[Comm]\r\nComPort=3\r\n"));
    load();
    // Unsaved choices that detection does not touch are stored with its result.
    click(option(QStringLiteral("Option19")));
    m_boxes.queueAnswer(useIt ? MessageBoxes::Answer::Yes : MessageBoxes::Answer::No);
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdReset")), Qt::LeftButton);

    QVERIFY(!m_boxes.shown.isEmpty());
    QCOMPARE(m_boxes.shown.first().caption, QStringLiteral("Found Modem"));
    QCOMPARE(checkedOptions(), checked);
    QCOMPARE(stored(QStringLiteral("Comm"), QStringLiteral("ComPort")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("Comm"), QStringLiteral("Baud")), QStringLiteral("57600"));
    QCOMPARE(stored(QStringLiteral("Modem"), QStringLiteral("ModemStrng")), command);
    QVERIFY(m_window->isVisible());
}

QTEST_MAIN(TestCommSettingsWindow)
#include "tst_commsettingswindow.moc"
