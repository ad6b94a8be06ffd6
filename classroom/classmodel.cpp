#include "classmodel.h"

#include "appcontext.h"

#include <QBrush>
#include <QFont>

#include <algorithm>

int ClassModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ClassModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ClassModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const RobotRow &robot = m_rows.at(index.row());
    const AppContext &context = AppContext::instance();
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case NumberColumn:
            return robot.number;
        case NameColumn:
            return robot.editorsRobot
                       ? context.text(QStringLiteral("ClassEditorsRobot")).arg(robot.name)
                       : robot.name;
        case AddressColumn:
            return RobotRow::shownAddress(robot.address);
        case StateColumn:
            return robot.stateText();
        }
        break;
    case Qt::AccessibleTextRole:
        // A reader hears which robot a cell belongs to, also when it walks a column.
        if (index.column() == NumberColumn)
            return context.text(QStringLiteral("ClassRowSpoken"))
                .arg(QString::number(robot.number), robot.name, robot.stateText());
        return data(index, Qt::DisplayRole).toString();
    case Qt::CheckStateRole:
        if (index.column() == NumberColumn)
            return robot.checked ? Qt::Checked : Qt::Unchecked;
        break;
    case Qt::ForegroundRole:
        if (index.column() == StateColumn)
            return QBrush(ClassColours::text(RobotRow::toneOf(robot.state)));
        return QBrush(ClassColours::text(RobotRow::Tone::Plain));
    case Qt::BackgroundRole:
        if (index.column() == StateColumn)
            return QBrush(ClassColours::background(RobotRow::toneOf(robot.state)));
        return QBrush(ClassColours::background(RobotRow::Tone::Plain));
    case Qt::FontRole:
        if (index.column() == StateColumn || robot.editorsRobot) {
            QFont font;
            font.setBold(true);
            return font;
        }
        break;
    case Qt::ToolTipRole:
        if (index.column() == StateColumn)
            return robot.stateText();
        if (index.column() == AddressColumn)
            return robot.address;
        break;
    case AddressRole:
        return robot.deviceText;
    }
    return {};
}

bool ClassModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != NumberColumn || role != Qt::CheckStateRole)
        return false;
    setChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ClassModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == NumberColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant ClassModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const keys[ColumnCount] = {"ClassColumnNumber", "ClassColumnName",
                                                  "ClassColumnAddress", "ClassColumnState"};
    if (section < 0 || section >= ColumnCount)
        return {};
    return AppContext::instance().text(QLatin1String(keys[section]));
}

void ClassModel::put(const RobotRow &robot)
{
    const int existing = rowOf(robot.address);
    if (existing >= 0) {
        RobotRow &row = m_rows[existing];
        const bool moved = row.number != robot.number;
        row.name = robot.name;
        row.deviceText = robot.deviceText;
        row.number = robot.number;
        if (!moved) {
            changedRow(existing);
            return;
        }
        // A robot renumbered keeps its state and check; it moves to its place in the order.
        RobotRow kept = m_rows.at(existing);
        beginRemoveRows({}, existing, existing);
        m_rows.removeAt(existing);
        endRemoveRows();
        put(kept);
        return;
    }
    const auto place =
        std::upper_bound(m_rows.begin(), m_rows.end(), robot,
                         [](const RobotRow &a, const RobotRow &b) { return a.number < b.number; });
    const int row = int(place - m_rows.begin());
    beginInsertRows({}, row, row);
    m_rows.insert(row, robot);
    endInsertRows();
}

int ClassModel::rowOf(const QString &address) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).address == address)
            return row;
    }
    return -1;
}

const RobotRow *ClassModel::robot(const QString &address) const
{
    const int row = rowOf(address);
    return row < 0 ? nullptr : &m_rows.at(row);
}

void ClassModel::setState(const QString &address, RobotRow::State state, int percent,
                          const QString &why)
{
    const int row = rowOf(address);
    if (row < 0)
        return;
    RobotRow &robot = m_rows[row];
    if (robot.state == state && robot.percent == percent && robot.why == why)
        return;
    robot.state = state;
    robot.percent = percent;
    robot.why = why;
    changedRow(row);
}

void ClassModel::setName(const QString &address, const QString &name)
{
    const int row = rowOf(address);
    if (row < 0 || m_rows.at(row).name == name)
        return;
    m_rows[row].name = name;
    changedRow(row);
}

void ClassModel::setReadFile(const QString &address, const QString &path)
{
    const int row = rowOf(address);
    if (row >= 0)
        m_rows[row].readFile = path;
}

void ClassModel::setChecked(int row, bool checked)
{
    if (row < 0 || row >= m_rows.size() || m_rows.at(row).checked == checked)
        return;
    m_rows[row].checked = checked;
    changedRow(row);
    emit checksChanged();
}

void ClassModel::toggleChecked(int row)
{
    if (row >= 0 && row < m_rows.size())
        setChecked(row, !m_rows.at(row).checked);
}

void ClassModel::checkAll(bool checked)
{
    bool any = false;
    for (RobotRow &robot : m_rows) {
        any = any || robot.checked != checked;
        robot.checked = checked;
    }
    if (!any)
        return;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
    emit checksChanged();
}

QStringList ClassModel::checkedAddresses() const
{
    QStringList addresses;
    for (const RobotRow &robot : m_rows) {
        if (robot.checked)
            addresses.append(robot.address);
    }
    return addresses;
}

int ClassModel::checkedCount() const
{
    return int(std::count_if(m_rows.begin(), m_rows.end(),
                             [](const RobotRow &robot) { return robot.checked; }));
}

void ClassModel::setEditorsRobot(const QString &address)
{
    for (int row = 0; row < m_rows.size(); ++row) {
        const bool editors = !address.isEmpty() && m_rows.at(row).address == address;
        if (m_rows.at(row).editorsRobot != editors) {
            m_rows[row].editorsRobot = editors;
            changedRow(row);
        }
    }
}

void ClassModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
}

void ClassModel::changedRow(int row)
{
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}
