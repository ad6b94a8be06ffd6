#pragma once

#include <QIcon>
#include <QLabel>

class QDrag;
class QMimeData;

// One image button of the top menu or one command tile of the command menu. A draggable tile
// starts a drag carrying "command," that a program list turns into a new row; a button (not
// draggable) reports clicked() when the left button is released on it.
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
    const QIcon &onIcon() const { return m_onIcon; }
    const QIcon &disabledIcon() const { return m_disabledIcon; }
    const QIcon &offIcon() const { return m_offIcon; }

    // What a drag of this tile carries: the command name followed by ",".
    QMimeData *createMimeData() const;
    // Removes the pixmap (the menus do this before dropping their tiles).
    void clearLabel();

signals:
    void clicked();
    void test();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

    // Runs the drag; tests replace it so that no nested event loop starts.
    virtual Qt::DropAction executeDrag(QDrag *drag);

private:
    void showIcon(const QIcon &icon);

    QString m_command;
    QIcon m_onIcon;
    QIcon m_disabledIcon;
    QIcon m_offIcon;
    QSize m_size;
    bool m_draggable;
    bool m_pressed = false;
};
