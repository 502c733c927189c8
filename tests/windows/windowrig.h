// SPDX-License-Identifier: GPL-2.0-or-later
// The window tests' rig: the whole program with calls and list entries
// stored, and the window a menu command opened, driven as a user would.
#pragma once

#include "app/appharness.h"
#include "records/listentries.h"
#include "records/recordgridmodel.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <optional>

namespace Quillon::Test {

// The calls stored for the window tests, oldest first.
inline const QStringList kCalls { u"SMITH JOHN|212-867-5309"_s,    u"O'BRIEN PAT|416-555-0101"_s,
                                  u"SMITH JOHN|555-123-4567"_s,    u"SMITH JOHN|555-123-4567"_s,
                                  u"BLACKSMITH CO|555-987-6543"_s, u"UNKNOWN|UNKNOWN"_s };

// A test class derives from it and calls renew() in its cleanup slot.
class WindowRig : public QObject
{
protected:
    void renew() // the program of the test that ended goes; the next test gets a new one
    {
        m_tester.reset();
        h.emplace();
    }
    bool startWithCalls() // with kCalls and an entry in each list
    {
        if (!h->start())
            return false;
        h->pass(1100); // the modem's answer checked before the clock jumps
        for (const QString& call : kCalls)
            h->addCall(call);
        ListEntries lists(h->app->database());
        return lists.add(RecordList::Reject, u"800-555-0199"_s, u"TELEMARKETER"_s)
            && lists.add(RecordList::Translate, u"212-555-0100"_s, u"WILSON ANN"_s);
    }
    bool open(const QString& command) // the window it opens becomes the one under test, once active
    {
        h->action(command)->trigger();
        for (QWidget* window : h->window()->findChildren<QWidget*>())
            if (window->isWindow() && window->isVisible())
                m_window = window;
        if (!m_window)
            return false;
        m_window->activateWindow();
        const bool active = QTest::qWaitFor([this] { return QApplication::activeWindow() == m_window; });
        m_tester.reset(model() ? new QAbstractItemModelTester(model()) : nullptr);
        return active;
    }
    template<class T = QLineEdit> T* child(const QString& name) const { return m_window->findChild<T*>(name); }
    QTableView* grid() const { return child<QTableView>(u"DataGrid1"_s); }
    void click(const QString& button) const { QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton); }
    void choose(const QString& option) const // on the indicator: wide buttons take clicks only near their text
    {
        QTest::mouseClick(child<QRadioButton>(option), Qt::LeftButton, {}, QPoint(6, 8));
    }
    RecordGridModel* model() const { return child<RecordGridModel>({}); }
    QStringList shown() const // the grid's names and numbers, every row fetched
    {
        while (model()->canFetchMore())
            model()->fetchMore();
        QStringList rows;
        for (int row = 0; row < model()->rowCount(); ++row)
            rows << model()->index(row, model()->column(u"Name"_s)).data().toString() + u'|'
                    + model()->index(row, model()->column(u"Number"_s)).data().toString();
        return rows;
    }
    QString countLine() const { return child<QLabel>(u"lblRcCount"_s)->text(); }
    QString checkedOptions() const
    {
        QStringList names;
        for (QRadioButton* button : m_window->findChildren<QRadioButton*>())
            names << (button->isChecked() ? button->objectName() : QString());
        names.removeAll({});
        names.sort();
        return names.join(u' ');
    }
    QStringList boxTexts() const // the window's text boxes, in order
    {
        QStringList texts;
        for (QLineEdit* edit : m_window->findChildren<QLineEdit*>())
            texts << edit->text();
        return texts;
    }
    QString count(const QString& table) const { return h->rows(u"SELECT count(*) FROM "_s + table).value(0); }

    std::optional<Harness> h { std::in_place };
    QPointer<QWidget> m_window;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

} // namespace Quillon::Test
