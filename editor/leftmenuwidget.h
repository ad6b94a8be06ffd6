#pragma once

#include <QFrame>
#include <QList>

class Command;
class FocusGrid;
class ProgramListWidget;
class QGridLayout;
class QLabelDragDrop;

// The command menu: a three-column grid of tiles, one per command of the hardware description.
// Tiles are dragged into a program list to add a command; which tiles are usable follows the
// hardware configuration and the program shown. Rows dropped here are deleted. With the keyboard,
// the arrow keys move between tiles and Space or Enter chooses one (commandChosen).
class LeftMenuWidget : public QFrame
{
    Q_OBJECT
public:
    static constexpr int columns = 3;

    explicit LeftMenuWidget(QWidget *parent = nullptr);

    // The one command menu of the process, created on first use.
    static LeftMenuWidget *instance();

    // Fills the grid with one tile per command, in order.
    void buildMenu(const QList<Command *> &commands);
    // Fills the grid from the current hardware description.
    void buildMenu();
    // Clears and removes every tile.
    void emptyMenu();

    const QList<QLabelDragDrop *> &tiles() const { return m_tiles; }
    // The first tile of a command, or nullptr.
    QLabelDragDrop *tile(const QString &command) const;
    QGridLayout *grid() const { return m_grid; }
    FocusGrid *focusGrid() const { return m_focusGrid; }

    // Deletes the selected command rows of a list, each as an undo step of that list.
    void deleteSelectedRows(ProgramListWidget *list);

signals:
    // A tile was chosen with the keyboard.
    void commandChosen(const QString &command);
    // A row dragged out of a program entered the menu, where a drop deletes it: whoever shows
    // that row's command lets go of it.
    void programRowEntered();

public slots:
    void SlotToChangeCurrentActiveProgramm(int index);
    void slotToChangeSettings(int settingstatus);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    static void showReason(QLabelDragDrop *tile, const QString &key);

    QGridLayout *m_grid = nullptr;
    QList<QLabelDragDrop *> m_tiles;
    FocusGrid *m_focusGrid = nullptr;
};
