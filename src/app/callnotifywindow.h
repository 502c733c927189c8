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

    void setCaller(const QString& name, const QString& number);
    QString callerName() const;
    QString callerNumber() const;
    // The name as laid out on its lines.
    QString shownName() const;

private:
    QString m_callerName;
    QFrame* m_edge = nullptr;
    QLabel* m_lblNumber = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QLabel* m_lblTelcoName = nullptr;
    QLabel* m_lblTelcoNumber = nullptr;
};

} // namespace Quillon
