// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "platform/clock.h"

#include <functional>

namespace Quillon::Test {

// Time moves only when the test or the code under test waits. Waits still
// hand the event loop a few real milliseconds so that a simulator on the
// other end of a pseudo-terminal can answer; the clock itself ignores them.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(const QDateTime& start = QDateTime(QDate(2026, 6, 12), QTime(14, 32, 0)));

    QDateTime now() const override { return m_now; }
    void sleep(int ms) override;
    void waitProcessingEvents(int ms) override;

    void advance(int ms);
    void setNow(const QDateTime& when) { m_now = when; }
    // Real time given to the event loop per wait (default 20 ms); 0 = none.
    void setRealSliceMs(int ms) { m_realSliceMs = ms; }
    qint64 totalSleptMs() const { return m_totalSleptMs; }
    // Called with the length of every wait, before the clock moves: lets a
    // pumped modem simulator answer within the waited time.
    void setWaitHook(std::function<void(int ms)> hook) { m_waitHook = std::move(hook); }

private:
    void pumpEvents();

    QDateTime m_now;
    int m_realSliceMs = 20;
    qint64 m_totalSleptMs = 0;
    std::function<void(int ms)> m_waitHook;
};

} // namespace Quillon::Test
