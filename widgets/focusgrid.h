#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

// Arrow-key movement between controls laid out in rows of a given width: the tiles of the
// command menu, the cells of the picture, the keys of the piano. Tab reaches the group at one
// control only, the one last moved to, so that a grid of 64 cells is one stop and not 64.
// Disabled and hidden controls are passed over.
class FocusGrid : public QObject
{
    Q_OBJECT
public:
    FocusGrid(int columns, QObject *parent = nullptr);

    // The controls in reading order; nullptr marks a gap that keeps the grid's geometry (a
    // placeholder tile). Replaces any earlier set.
    void setWidgets(const QList<QWidget *> &widgets);
    // The control that Tab reaches; nullptr when none can take the focus.
    QWidget *tabStop() const;
    // Makes Tab reach this control next time (in a group of choices: the chosen one).
    void setTabStop(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool eligible(int index) const;
    // The next eligible index from `from` in steps of `step`; -1 when there is none.
    int walk(int from, int step) const;
    void makeTabStop(int index);
    void repairTabStop();
    void forget(QObject *object);

    int m_columns;
    QList<QPointer<QWidget>> m_widgets;
    int m_stop = -1;
};
