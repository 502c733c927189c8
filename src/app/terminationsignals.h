// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace Quillon {

// Turns SIGTERM, SIGINT and SIGHUP (logout, shutdown, Ctrl+C) into a signal on
// the UI thread, so that they close the main window like its close box does
// instead of killing the program in the middle of its work.
class TerminationSignals final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    Q_DISABLE_COPY_MOVE(TerminationSignals)

Q_SIGNALS:
    void closeRequested();

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace Quillon
