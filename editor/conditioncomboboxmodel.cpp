#include "conditioncomboboxmodel.h"

#include "accessibletext.h"

ConditionComboBoxModel::ConditionComboBoxModel(QObject *parent)
    : QAbstractListModel(parent)
{}

int ConditionComboBoxModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant ConditionComboBoxModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const Entry &entry = m_entries.at(index.row());
    if (role == Qt::DecorationRole)
        return entry.icon;
    if (role == Qt::UserRole)
        return entry.name;
    if (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
        return AccessibleText::text(QStringLiteral("Condition_") + entry.name);
    return {};
}

void ConditionComboBoxModel::setEntries(const QList<Entry> &entries)
{
    beginResetModel();
    m_entries = entries;
    endResetModel();
}

void ConditionComboBoxModel::clear()
{
    setEntries({});
}

QString ConditionComboBoxModel::nameAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? m_entries.at(row).name : QString();
}

int ConditionComboBoxModel::rowOfName(const QString &name) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}
