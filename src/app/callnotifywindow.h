// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QWidget>

class QFontMetrics;
class QFrame;
class QLabel;
class QPushButton;

namespace Quillon {

// text in at most maxLines lines of width, broken at blanks; a line still too
// wide ends in an ellipsis.
QString wrapAtWords(const QString& text, const QFontMetrics& metrics, int width, int maxLines);

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
    // The name as laid out on its lines.
    QString shownName() const;
    bool callerRejected() const;

private:
    QString m_callerName;
    QFrame* m_edge = nullptr;
    QLabel* m_lblNumber = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QLabel* m_lblTelcoName = nullptr;
    QLabel* m_lblTelcoNumber = nullptr;
    QLabel* m_lblRejected = nullptr;
};

} // namespace Quillon
