#pragma once

#include "pinassignment.h"

#include <QAbstractListModel>
#include <QList>

// The pins a user can choose in an editor, one row per pin assignment of the current
// configuration. Besides the display text and the gadget's picture it carries what the editors
// write back: the pin label, the gadget name and the input number for live values.
class PinComboBoxModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role
    {
        TextRole = Qt::UserRole,
        DigitalRole = Qt::UserRole + 1,
        PinLabelRole = Qt::UserRole + 2,
        GadgetNameRole = Qt::UserRole + 3,
        InputNumberRole = Qt::UserRole + 4,
    };

    explicit PinComboBoxModel(const QList<PinAssignment> &assignments, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const QList<PinAssignment> &assignments() const { return m_assignments; }
    // The row whose role value equals the text exactly; -1 when there is none.
    int findRow(int role, const QString &value) const;

    // The digits of a pin label as a number ("A3" -> 3); the index into "DI" or "AI".
    static int inputNumber(const QString &pinLabel);

private:
    QList<PinAssignment> m_assignments;
};
