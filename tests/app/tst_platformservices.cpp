// SPDX-License-Identifier: GPL-2.0-or-later
// The desktop's implementations of the platform services.
#include "app/qtmessageboxes.h"
#include "app/qtsoundplayer.h"
#include "app/singleinstance.h"
#include "platform/appinfo.h"
#include "support/appdir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

namespace Quillon::Test {

class TestPlatformServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messageBoxes_data();
    void messageBoxes();
    void oneCopyPerDirectory();
    void lockOfAnEndedCopyIsTakenOver();
    void soundReturnsAtOnceAndMissingFilesAreSilent();
};

void TestPlatformServices::messageBoxes_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("press");
    QTest::addColumn<QString>("shownCaption");
    QTest::addColumn<int>("shownIcon");
    QTest::addColumn<int>("answer");
    using B = MessageBoxes;
    QTest::newRow("no caption, stop, ok")
        << QString() << int(B::Icon::Stop) << int(B::Buttons::Ok) << int(QMessageBox::Ok) << programTitle()
        << int(QMessageBox::Critical) << int(B::Answer::Ok);
    QTest::newRow("exclamation") << QStringLiteral("Comm Port Error") << int(B::Icon::Exclamation)
                                 << int(B::Buttons::Ok) << int(QMessageBox::Ok) << QStringLiteral("Comm Port Error")
                                 << int(QMessageBox::Warning) << int(B::Answer::Ok);
    QTest::newRow("yes") << QStringLiteral("Exit") << int(B::Icon::None) << int(B::Buttons::YesNo)
                         << int(QMessageBox::Yes) << QStringLiteral("Exit") << int(QMessageBox::NoIcon)
                         << int(B::Answer::Yes);
    QTest::newRow("no") << QStringLiteral("Exit") << int(B::Icon::None) << int(B::Buttons::YesNo)
                        << int(QMessageBox::No) << QStringLiteral("Exit") << int(QMessageBox::NoIcon)
                        << int(B::Answer::No);
}

void TestPlatformServices::messageBoxes()
{
    QFETCH(QString, caption);
    QFETCH(int, icon);
    QFETCH(int, buttons);
    QFETCH(int, press);
    QFETCH(QString, shownCaption);
    QFETCH(int, shownIcon);
    QFETCH(int, answer);

    QString seenCaption;
    QString seenText;
    int seenIcon = -1;
    int buttonCount = 0;
    // The box is modal: look at it and press a button from inside its loop.
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        seenCaption = box->windowTitle();
        seenText = box->text();
        seenIcon = box->icon();
        buttonCount = int(box->buttons().size());
        box->button(QMessageBox::StandardButton(press))->click();
    });
    poll.start();

    QtMessageBoxes boxes;
    const auto result
        = boxes.show(QStringLiteral("Some text"), caption, MessageBoxes::Icon(icon), MessageBoxes::Buttons(buttons));
    QCOMPARE(int(result), answer);
    QCOMPARE(seenCaption, shownCaption);
    QCOMPARE(seenText, QStringLiteral("Some text"));
    QCOMPARE(seenIcon, shownIcon);
    QCOMPARE(buttonCount, buttons == int(MessageBoxes::Buttons::YesNo) ? 2 : 1);
}

void TestPlatformServices::oneCopyPerDirectory()
{
    AppDir dir;
    AppDir other;
    SingleInstance first(dir.path());
    QVERIFY(first.tryToBecomeOnly());
    QVERIFY(first.tryToBecomeOnly()); // asking again keeps it
    SingleInstance second(dir.path());
    QVERIFY(!second.tryToBecomeOnly());
    SingleInstance elsewhere(other.path());
    QVERIFY(elsewhere.tryToBecomeOnly());
    QCOMPARE(first.lockPath(), dir.file(QStringLiteral("QuillonCID.lock")));
}

void TestPlatformServices::lockOfAnEndedCopyIsTakenOver()
{
    // A copy that crashed leaves its lock file behind, naming a process that
    // no longer exists.
    AppDir dir;
    QFile lock(dir.file(QStringLiteral("QuillonCID.lock")));
    QVERIFY(lock.open(QIODevice::WriteOnly));
    lock.write("2147483646\n" + QCoreApplication::applicationName().toUtf8() + '\n'
               + QSysInfo::machineHostName().toUtf8() + '\n');
    lock.close();
    SingleInstance next(dir.path());
    QVERIFY(next.tryToBecomeOnly());
}

void TestPlatformServices::soundReturnsAtOnceAndMissingFilesAreSilent()
{
    AppDir dir;
    QtSoundPlayer sound;
    QElapsedTimer clock;
    clock.start();
    sound.play(dir.file(QStringLiteral("RingIn.wav"))); // missing
    QVERIFY(
        QFile::copy(QStringLiteral(QUILLON_SOURCE_DIR "/src/app/RingIn.wav"), dir.file(QStringLiteral("RingIn.wav"))));
    sound.play(dir.file(QStringLiteral("RingIn.wav")));
    sound.play(dir.file(QStringLiteral("RingIn.wav"))); // cuts off the first
    QVERIFY(clock.elapsed() < 500);
    // The shipped ring stays a small file.
    QVERIFY(QFileInfo(dir.file(QStringLiteral("RingIn.wav"))).size() < 200 * 1024);
}

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestPlatformServices)
#include "tst_platformservices.moc"
