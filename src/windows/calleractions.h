// SPDX-License-Identifier: GPL-2.0-or-later
// "Reject Caller...", "Translate Number..." and "Copy" on a list of callers:
// in its context menu and on keys while the list has the focus.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAbstractItemView;
class QMenu;

namespace Quillon {

struct ListedCaller
{
    QString name;
    QString number;
};

class CallerActions : public QObject
{
    Q_OBJECT

public:
    // selected gives the callers the user chose, the current one first.
    CallerActions(QAbstractItemView* view, std::function<QList<ListedCaller>()> selected);
    Q_DISABLE_COPY_MOVE(CallerActions)

    QMenu* menu() const { return m_menu; }
    // Name and number, a tab between them, a line per caller.
    static QString copyText(const QList<ListedCaller>& callers);

Q_SIGNALS:
    void rejectCaller(const QString& name, const QString& number);
    void translateCaller(const QString& name, const QString& number);

private:
    QAbstractItemView* m_view;
    std::function<QList<ListedCaller>()> m_selected;
    QMenu* m_menu;
};

} // namespace Quillon
