// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace Quillon {

// The popup that shows a caller while the main window sits in the tray.
// It has no owner, so it shows even though the main window is hidden.
class frmSplash final : public QWidget
{
    Q_OBJECT

public:
    frmSplash();

    // rejected: the caller was answered and hung up; the notice says so.
    void setCaller(const QString& name, const QString& number, bool rejected = false);
    QString callerName() const;
    QString callerNumber() const;
    bool callerRejected() const;

private:
    QLabel* m_lblTelcoName = nullptr;
    QLabel* m_lblTelcoNumber = nullptr;
    QLabel* m_lblRejected = nullptr;
};

} // namespace Quillon
