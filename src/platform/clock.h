// SPDX-License-Identifier: GPL-2.0-or-later
// Time and waits, injected so that tests can drive time with a fake clock.
#pragma once

#include <QDateTime>

namespace Quillon {

class Clock
{
public:
    virtual ~Clock() = default;

    // Local date and time.
    virtual QDateTime now() const = 0;
    // Blocks the thread; no events are processed meanwhile.
    virtual void sleep(int ms) = 0;
    // Waits while pending window, timer and port events keep being handled.
    virtual void waitProcessingEvents(int ms) = 0;
};

class SystemClock final : public Clock
{
public:
    QDateTime now() const override;
    void sleep(int ms) override;
    void waitProcessingEvents(int ms) override;
};

} // namespace Quillon
