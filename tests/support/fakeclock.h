// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/clock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <functional>

namespace Quillon::Test {

// Time moves only when the test or the code under test waits. Waits still hand the event loop a few real milliseconds
// so that a simulator on the other end of a pseudo-terminal can answer; the clock itself ignores them.
class FakeClock final : public Clock
{
public:
    QDateTime now() const override { return m_now; }
    // A blocking wait: the pseudo-terminal still fills its buffer meanwhile, but no Qt event is handled.
    void sleep(int ms) override
    {
        if (m_waitHook)
            m_waitHook(ms);
        if (m_realSliceMs > 0)
            QThread::msleep(static_cast<unsigned long>(qMin(ms, m_realSliceMs)));
        advance(ms);
    }
    void waitProcessingEvents(int ms) override
    {
        if (m_waitHook)
            m_waitHook(ms);
        QDeadlineTimer slice(m_realSliceMs);
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        } while (!slice.hasExpired());
        advance(ms);
    }

    void advance(int ms)
    {
        m_now = m_now.addMSecs(ms);
        m_totalSleptMs += ms;
    }
    void setNow(const QDateTime& when) { m_now = when; }
    // Real time given to the event loop per wait (default 20 ms); 0 = none.
    void setRealSliceMs(int ms) { m_realSliceMs = ms; }
    qint64 totalSleptMs() const { return m_totalSleptMs; }
    // Called with each wait's length before the clock moves: a pumped modem simulator answers within the wait.
    void setWaitHook(std::function<void(int ms)> hook) { m_waitHook = std::move(hook); }

private:
    QDateTime m_now { QDate(2026, 6, 12), QTime(14, 32, 0) };
    int m_realSliceMs = 20;
    qint64 m_totalSleptMs = 0;
    std::function<void(int ms)> m_waitHook;
};

} // namespace Quillon::Test
