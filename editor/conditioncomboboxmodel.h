#pragma once

#include <QAbstractListModel>
#include <QIcon>
#include <QList>

// Condition kinds offered by a row's chooser: icons only, the kind name in the user role. What
// an icon means is said to a reader and in the tool tip, in the dictionary's words.
class ConditionComboBoxModel : public QAbstractListModel
{
    Q_OBJECT
public:
    struct Entry
    {
        QString name;
        QIcon icon;
    };

    explicit ConditionComboBoxModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void setEntries(const QList<Entry> &entries);
    void clear();
    QString nameAt(int row) const;
    int rowOfName(const QString &name) const;

private:
    QList<Entry> m_entries;
};
