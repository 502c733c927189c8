// SPDX-License-Identifier: GPL-2.0-or-later
#include "config/formatwindow.h"
#include "config/settingsstore.h"
#include "config/workingsettings.h"
#include "support/appdir.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

using namespace Quillon;
using namespace Quillon::Test;

class TestFormatWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void optionsCarryTheirSamples();
    void loadSelectsTheWorkingFormat_data();
    void loadSelectsTheWorkingFormat();
    void clickTakesEffectAtOnce_data();
    void clickTakesEffectAtOnce();
    void saveStoresAndExitDoesNot();

private:
    QRadioButton* option(int number) const
    {
        return m_window->findChild<QRadioButton*>(QStringLiteral("Option%1").arg(number));
    }
    // On the indicator: a wide button takes clicks only near its text.
    static void click(QRadioButton* button)
    {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    void load()
    {
        m_window = std::make_unique<FormatWindow>(&m_owner, m_settings, m_dir->iniPath());
        m_window->show();
    }

    std::unique_ptr<AppDir> m_dir;
    WorkingSettings m_settings;
    QWidget m_owner;
    std::unique_ptr<FormatWindow> m_window;
};

void TestFormatWindow::init()
{
    m_dir = std::make_unique<AppDir>();
    m_settings = WorkingSettings();
}

void TestFormatWindow::cleanup()
{
    m_window.reset();
    m_dir.reset();
}

void TestFormatWindow::optionsCarryTheirSamples()
{
    load();
    const QStringList captions { QStringLiteral("123-456-7890 "), QStringLiteral("12 4566-7890"),
                                 QStringLiteral("1234 567-8901"), QStringLiteral("12345-678901"),
                                 QStringLiteral("12-3456789"),    QStringLiteral("1234 567890"),
                                 QStringLiteral("123 4567-8901"), QStringLiteral("1234 5678") };
    for (int i = 0; i < 8; ++i)
        QCOMPARE(option(i + 1)->text(), captions.at(i));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("CallerID Format"));
}

void TestFormatWindow::loadSelectsTheWorkingFormat_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("storedLength");
    QTest::addColumn<int>("selected"); // 0: none
    QTest::addColumn<int>("length");

    QTest::newRow("format 1 with a stray length") << 1 << 12 << 1 << 10;
    QTest::newRow("format 5") << 5 << 10 << 5 << 9;
    QTest::newRow("format 8") << 8 << 10 << 8 << 8;
    QTest::newRow("unknown format") << 9 << 12 << 0 << 12;
}

void TestFormatWindow::loadSelectsTheWorkingFormat()
{
    QFETCH(int, format);
    QFETCH(int, storedLength);
    QFETCH(int, selected);
    QFETCH(int, length);

    m_settings.Format = qint16(format);
    m_settings.NmbrLngth = qint16(storedLength);
    load();
    for (int i = 1; i <= 8; ++i)
        QCOMPARE(option(i)->isChecked(), i == selected);
    QCOMPARE(m_settings.Format, qint16(format));
    QCOMPARE(m_settings.NmbrLngth, qint16(length));
}

void TestFormatWindow::clickTakesEffectAtOnce_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("length");
    const int lengths[] = { 10, 10, 11, 11, 9, 10, 11, 8 };
    for (int i = 0; i < 8; ++i)
        QTest::addRow("Option%d", i + 1) << i + 1 << lengths[i];
}

void TestFormatWindow::clickTakesEffectAtOnce()
{
    QFETCH(int, number);
    QFETCH(int, length);

    m_settings.Format = number == 1 ? 2 : 1;
    load();
    click(option(number));
    QCOMPARE(m_settings.Format, qint16(number));
    QCOMPARE(m_settings.NmbrLngth, qint16(length));
    QVERIFY(!QFile::exists(m_dir->iniPath()));
}

void TestFormatWindow::saveStoresAndExitDoesNot()
{
    load();
    click(option(8));
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdExit")), Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QVERIFY(!QFile::exists(m_dir->iniPath()));
    QCOMPARE(m_settings.Format, qint16(8)); // stays in effect

    load();
    QVERIFY(option(8)->isChecked());
    click(option(5));
    QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdSave")), Qt::LeftButton);
    QVERIFY(m_window->isVisible());
    const QString ini = m_dir->iniPath();
    QCOMPARE(GetIniValue(ini, QStringLiteral("Settings"), QStringLiteral("Format"), {}), QStringLiteral("5"));
    QCOMPARE(GetIniValue(ini, QStringLiteral("Settings"), QStringLiteral("NmbrLngth"), {}), QStringLiteral("9"));
}

QTEST_MAIN(TestFormatWindow)
#include "tst_formatwindow.moc"
