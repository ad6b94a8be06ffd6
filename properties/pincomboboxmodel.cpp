#include "pincomboboxmodel.h"

#include "appcontext.h"

PinComboBoxModel::PinComboBoxModel(const QList<PinAssignment> &assignments, QObject *parent)
    : QAbstractListModel(parent)
    , m_assignments(assignments)
{}

int PinComboBoxModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_assignments.size());
}

QVariant PinComboBoxModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_assignments.size())
        return {};
    const PinAssignment &assignment = m_assignments.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case TextRole:
        return assignment.displayText();
    case Qt::DecorationRole:
        if (assignment.gadget.picture.isEmpty())
            return {};
        return AppContext::instance().icon(assignment.gadget.picture);
    case DigitalRole:
        return assignment.digital;
    case PinLabelRole:
        return assignment.pinLabel;
    case GadgetNameRole:
        return assignment.gadget.name;
    case InputNumberRole:
        return inputNumber(assignment.pinLabel);
    default:
        return {};
    }
}

int PinComboBoxModel::findRow(int role, const QString &value) const
{
    for (int row = 0; row < m_assignments.size(); ++row) {
        if (data(index(row), role).toString() == value)
            return row;
    }
    return -1;
}

int PinComboBoxModel::inputNumber(const QString &pinLabel)
{
    return qMax(0, PinAssignment::inputNumberOf(pinLabel));
}
