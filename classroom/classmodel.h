#pragma once

#include "robotrow.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The rows of the class window, in class order (by number): a check box with the number, the
// name, the address or port, and the state in words with its colours.
class ClassModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column
    {
        NumberColumn,
        NameColumn,
        AddressColumn,
        StateColumn,
        ColumnCount,
    };
    // The address a row is known by (the link's address of its device text).
    static constexpr int AddressRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Adds the robot, or brings its number, name and device text up to date; its state stays.
    void put(const RobotRow &robot);
    const QList<RobotRow> &robots() const { return m_rows; }
    // -1 for an address not listed.
    int rowOf(const QString &address) const;
    const RobotRow *robot(const QString &address) const;

    void setState(const QString &address, RobotRow::State state, int percent = 0,
                  const QString &why = QString());
    void setName(const QString &address, const QString &name);
    void setReadFile(const QString &address, const QString &path);
    void setChecked(int row, bool checked);
    void toggleChecked(int row);
    void checkAll(bool checked);
    QStringList checkedAddresses() const;
    int checkedCount() const;
    // The robot the editor is connected to, by address (none: empty).
    void setEditorsRobot(const QString &address);
    // Re-reads every text from the dictionary.
    void retranslate();

signals:
    void checksChanged();

private:
    void changedRow(int row);

    QList<RobotRow> m_rows;
};
