#include "gadgetcomboboxmodel.h"

#include "appcontext.h"

GadgetComboBoxModel::GadgetComboBoxModel(const QString &noneText, const QList<GadgetInfo> &gadgets,
                                         QObject *parent)
    : QAbstractListModel(parent)
    , m_noneText(noneText)
    , m_gadgets(gadgets)
{
    m_icons.reserve(m_gadgets.size());
    for (const GadgetInfo &gadget : std::as_const(m_gadgets))
        m_icons.append(gadget.picture.isEmpty() ? QIcon()
                                                : AppContext::instance().icon(gadget.picture));
}

int GadgetComboBoxModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_gadgets.size()) + 1;
}

QVariant GadgetComboBoxModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount())
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return row == 0 ? m_noneText : m_gadgets.at(row - 1).name;
    case Qt::DecorationRole:
        return row == 0 ? QVariant() : QVariant(m_icons.at(row - 1));
    case GadgetIdRole:
        return row == 0 ? NoneId : m_gadgets.at(row - 1).id;
    default:
        return {};
    }
}

GadgetInfo GadgetComboBoxModel::gadgetAt(int row) const
{
    if (row < 1 || row > m_gadgets.size())
        return {};
    return m_gadgets.at(row - 1);
}

int GadgetComboBoxModel::rowOfGadget(int gadgetId) const
{
    if (gadgetId == NoneId)
        return 0;
    for (int i = 0; i < m_gadgets.size(); ++i) {
        if (m_gadgets.at(i).id == gadgetId)
            return i + 1;
    }
    return -1;
}
