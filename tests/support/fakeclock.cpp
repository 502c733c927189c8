// SPDX-License-Identifier: GPL-2.0-or-later
#include "fakeclock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

namespace Quillon::Test {

FakeClock::FakeClock(const QDateTime& start)
    : m_now(start)
{
}

void FakeClock::sleep(int ms)
{
    if (m_waitHook)
        m_waitHook(ms);
    // A blocking wait: the pseudo-terminal still fills its buffer meanwhile,
    // but no Qt event is handled.
    if (m_realSliceMs > 0)
        QThread::msleep(static_cast<unsigned long>(qMin(ms, m_realSliceMs)));
    advance(ms);
}

void FakeClock::waitProcessingEvents(int ms)
{
    if (m_waitHook)
        m_waitHook(ms);
    pumpEvents();
    advance(ms);
}

void FakeClock::advance(int ms)
{
    m_now = m_now.addMSecs(ms);
    m_totalSleptMs += ms;
}

void FakeClock::pumpEvents()
{
    QDeadlineTimer slice(m_realSliceMs);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    } while (!slice.hasExpired());
}

} // namespace Quillon::Test
