// SPDX-License-Identifier: GPL-2.0-or-later
#include "calleractions.h"

#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

namespace Quillon {

CallerActions::CallerActions(QAbstractItemView* view, std::function<QList<ListedCaller>()> selected)
    : QObject(view)
    , m_view(view)
    , m_selected(std::move(selected))
    , m_menu(new QMenu(view))
{
    m_menu->setObjectName(QStringLiteral("callerMenu"));
    auto add = [this](const QString& name, const QString& caption, const QKeySequence& key) {
        auto* action = new QAction(caption, m_view);
        action->setObjectName(name);
        action->setShortcut(key);
        // Keys act on this list only, never on another one in the window.
        action->setShortcutContext(Qt::WidgetShortcut);
        m_view->addAction(action);
        m_menu->addAction(action);
        return action;
    };
    QAction* reject
        = add(QStringLiteral("RejectCaller"), QStringLiteral("&Reject Caller..."), QKeySequence(Qt::CTRL | Qt::Key_R));
    QAction* translate = add(QStringLiteral("TranslateNumber"), QStringLiteral("&Translate Number..."),
                             QKeySequence(Qt::CTRL | Qt::Key_T));
    QAction* copy = add(QStringLiteral("CopyCaller"), QStringLiteral("&Copy"), QKeySequence::Copy);

    connect(reject, &QAction::triggered, this, [this] {
        const QList<ListedCaller> callers = m_selected();
        if (!callers.isEmpty())
            Q_EMIT rejectCaller(callers.first().name, callers.first().number);
    });
    connect(translate, &QAction::triggered, this, [this] {
        const QList<ListedCaller> callers = m_selected();
        if (!callers.isEmpty())
            Q_EMIT translateCaller(callers.first().name, callers.first().number);
    });
    connect(copy, &QAction::triggered, this, [this] {
        const QList<ListedCaller> callers = m_selected();
        if (!callers.isEmpty())
            QGuiApplication::clipboard()->setText(copyText(callers));
    });

    // The keys stay usable whatever the menu showed last time.
    connect(m_menu, &QMenu::aboutToHide, this, [this] {
        for (QAction* action : m_menu->actions())
            action->setEnabled(true);
    });
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        // A right-click on a row that is not selected acts on that row.
        const QModelIndex under = m_view->indexAt(pos);
        if (under.isValid() && !m_view->selectionModel()->isSelected(under))
            m_view->setCurrentIndex(under);
        const bool any = !m_selected().isEmpty();
        for (QAction* action : m_menu->actions())
            action->setEnabled(any);
        m_menu->popup(m_view->viewport()->mapToGlobal(pos));
    });
}

QString CallerActions::copyText(const QList<ListedCaller>& callers)
{
    QStringList lines;
    for (const ListedCaller& caller : callers)
        lines.append(caller.name + QLatin1Char('\t') + caller.number);
    return lines.join(QLatin1Char('\n'));
}

} // namespace Quillon
