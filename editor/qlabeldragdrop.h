#pragma once

#include <QIcon>
#include <QLabel>

class QDrag;
class QMimeData;

// One image button of the top menu or one command tile of the command menu. A draggable tile
// starts a drag carrying "command," that a program list turns into a new row; a button (not
// draggable) reports clicked() when the left button is released on it. With the keyboard focus,
// Space or Enter presses a button and chooses a tile.
class QLabelDragDrop : public QLabel
{
    Q_OBJECT
public:
    QLabelDragDrop(const QIcon &onIcon, const QIcon &disabledIcon, const QIcon &offIcon,
                   const QString &command, const QString &toolTip, int width, int height,
                   bool draggable, QWidget *parent = nullptr);

    const QString &command() const { return m_command; }
    bool isDraggable() const { return m_draggable; }
    bool isPressed() const { return m_pressed; }
    // The "empty" tile only keeps a place free in the grid: no drag, no focus, no action.
    bool isPlaceholder() const;
    const QIcon &onIcon() const { return m_onIcon; }
    const QIcon &disabledIcon() const { return m_disabledIcon; }
    const QIcon &offIcon() const { return m_offIcon; }

    // What a drag of this tile carries: the command name followed by ",".
    QMimeData *createMimeData() const;

    // What the tile or button does, for its tool tip, and what a reader hears after its name
    // while it may be used.
    const QString &tip() const { return m_tip; }
    void setTip(const QString &tip, const QString &description);
    // Disables it with the words that say why and what to do first; an empty reason enables it.
    void setDisabledReason(const QString &reason);
    const QString &disabledReason() const { return m_reason; }
    // Draws the pictures at another size (the top menu fits its width so).
    void setButtonSize(const QSize &size);
    // Removes the pixmap (the menus do this before dropping their tiles).
    void clearLabel();

public slots:
    // A button reports clicked(), a tile chosen(); the placeholder does nothing.
    void activate();

signals:
    void clicked();
    void test();
    // A tile was chosen with the keyboard: its command goes where a drop would put it.
    void chosen(const QString &command);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    // Runs the drag; tests replace it so that no nested event loop starts.
    virtual Qt::DropAction executeDrag(QDrag *drag);

private:
    void showIcon(const QIcon &icon);

    QString m_command;
    QIcon m_onIcon;
    QIcon m_disabledIcon;
    QIcon m_offIcon;
    QSize m_size;
    QString m_tip;
    QString m_description;
    QString m_reason;
    bool m_draggable;
    bool m_pressed = false;
};
