// SPDX-License-Identifier: GPL-2.0-or-later
// Read-only rows of a query for the record windows' grids: column captions
// by field name, stored times shown in the user's date-time layout.
#pragma once

#include <QHash>
#include <QSqlQueryModel>
#include <QString>

namespace Quillon {

class RecordGridModel : public QSqlQueryModel
{
    Q_OBJECT

public:
    explicit RecordGridModel(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(RecordGridModel)

    void setCaption(const QString& field, const QString& caption);
    // The field holds 'YYYY-MM-DD HH:MM:SS' text, shown through dateTimeText.
    void setDateTimeField(const QString& field);
    // Column of the field in the current result; -1 when absent.
    int column(const QString& field) const;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QHash<QString, QString> m_captions;
    QString m_dateTimeField;
};

} // namespace Quillon
