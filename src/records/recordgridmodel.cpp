// SPDX-License-Identifier: GPL-2.0-or-later
#include "recordgridmodel.h"

#include "platform/datetimetext.h"

#include <QDateTime>
#include <QSqlRecord>

namespace Quillon {

RecordGridModel::RecordGridModel(QObject* parent)
    : QSqlQueryModel(parent)
{ }

void RecordGridModel::setCaption(const QString& field, const QString& caption)
{
    m_captions.insert(field.toLower(), caption);
}

void RecordGridModel::setDateTimeField(const QString& field)
{
    m_dateTimeField = field;
}

int RecordGridModel::column(const QString& field) const
{
    return record().indexOf(field);
}

QVariant RecordGridModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlQueryModel::data(index, role);
    if (role != Qt::DisplayRole || m_dateTimeField.isEmpty() || index.column() != column(m_dateTimeField))
        return value;
    const QString text = value.toString();
    const QDateTime when = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // A value the program did not write is shown as it is.
    return when.isValid() ? QVariant(dateTimeText(when)) : value;
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        const auto caption = m_captions.constFind(record().fieldName(section).toLower());
        if (caption != m_captions.constEnd())
            return *caption;
    }
    return QSqlQueryModel::headerData(section, orientation, role);
}

} // namespace Quillon
