#pragma once

#include "gadgetinfo.h"

#include <QAbstractListModel>
#include <QIcon>
#include <QList>

// The choices of one pin: the none entry first, then every gadget that may sit on the pin.
class GadgetComboBoxModel : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int GadgetIdRole = Qt::UserRole + 1;
    static constexpr int NoneId = -1;

    GadgetComboBoxModel(const QString &noneText, const QList<GadgetInfo> &gadgets,
                        QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // The gadget of a row; an invalid GadgetInfo for the none entry and rows out of range.
    GadgetInfo gadgetAt(int row) const;
    // Row of the gadget with this id: 0 for the none id, -1 when the pin cannot take it.
    int rowOfGadget(int gadgetId) const;

private:
    QString m_noneText;
    QList<GadgetInfo> m_gadgets;
    QList<QIcon> m_icons;
};
