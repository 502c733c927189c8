// SPDX-License-Identifier: GPL-2.0-or-later
// The desktop's message boxes, single-instance lock and sound player.
#include "app/qtmessageboxes.h"
#include "app/qtsoundplayer.h"
#include "app/singleinstance.h"
#include "platform/appinfo.h"
#include "support/appdir.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSysInfo>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using B = Quillon::MessageBoxes;

namespace Quillon::Test {

class TestPlatformServices : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messageBoxes_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<B::Icon>("icon");
        QTest::addColumn<B::Buttons>("buttons");
        QTest::addColumn<QMessageBox::StandardButton>("press");
        QTest::addColumn<QString>("seen"); // title|icon|number of buttons
        QTest::addColumn<B::Answer>("answer");
        QTest::newRow("stop") << QString() << B::Icon::Stop << B::Buttons::Ok << QMessageBox::Ok
                              << programTitle() + u"|3|1"_s << B::Answer::Ok;
        QTest::newRow("yes") << u"Exit"_s << B::Icon::None << B::Buttons::YesNo << QMessageBox::Yes << u"Exit|0|2"_s
                             << B::Answer::Yes;
        QTest::newRow("no") << u"Exit"_s << B::Icon::Exclamation << B::Buttons::YesNo << QMessageBox::No
                            << u"Exit|2|2"_s << B::Answer::No;
    }
    void messageBoxes()
    {
        QFETCH(QString, caption);
        QFETCH(B::Icon, icon);
        QFETCH(B::Buttons, buttons);
        QFETCH(QMessageBox::StandardButton, press);
        QFETCH(QString, seen);
        QFETCH(B::Answer, answer);
        QString shown;
        // The box is modal: look at it and press a button from inside its loop.
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll.stop();
                shown = u"%1|%2|%3"_s.arg(box->windowTitle()).arg(box->icon()).arg(box->buttons().size());
                QCOMPARE(box->text(), u"Some text"_s);
                box->button(press)->click();
            }
        });
        poll.start(10);
        QCOMPARE(QtMessageBoxes().show(u"Some text"_s, caption, icon, buttons), answer);
        QCOMPARE(shown, seen);
    }

    void lockIsPerDirectoryAndAnEndedCopysLockIsTakenOver()
    {
        AppDir dir;
        AppDir other;
        SingleInstance first(dir.path());
        QVERIFY(first.tryToBecomeOnly());
        QVERIFY(!SingleInstance(dir.path()).tryToBecomeOnly());
        QVERIFY(SingleInstance(other.path()).tryToBecomeOnly());
        // A copy that crashed left its lock naming a process that is gone.
        AppDir crashed;
        QFile lock(crashed.file(u"QuillonCID.lock"_s));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("2147483646\n" + QCoreApplication::applicationName().toUtf8() + '\n'
                   + QSysInfo::machineHostName().toUtf8() + '\n');
        lock.close();
        QVERIFY(SingleInstance(crashed.path()).tryToBecomeOnly());
    }

    void soundReturnsAtOnceAndMissingFilesAreSilent()
    {
        AppDir dir;
        const QString wav = dir.file(u"RingIn.wav"_s);
        QtSoundPlayer sound;
        QElapsedTimer clock;
        clock.start();
        sound.play(wav); // missing
        QVERIFY(QFile::copy(QStringLiteral(QUILLON_SOURCE_DIR "/src/app/RingIn.wav"), wav));
        sound.play(wav);
        sound.play(wav); // cuts off the first
        QVERIFY(clock.elapsed() < 500);
    }
};

} // namespace Quillon::Test

QTEST_MAIN(Quillon::Test::TestPlatformServices)
#include "tst_platformservices.moc"
