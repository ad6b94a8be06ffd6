#pragma once

#include <QFrame>

class QHBoxLayout;
class QToolButton;

// A row of tabs that may be wider than its room. It never squeezes a tab below its own width, so
// every caption stays whole; instead the row scrolls: two arrow buttons at its end (shown only
// while something is out of view) and the mouse wheel move it by whole tabs, and a tab that
// takes the keyboard focus or is chosen is brought fully into view.
class TabStrip : public QFrame
{
    Q_OBJECT
public:
    explicit TabStrip(QWidget *parent = nullptr);

    void insertTab(int position, QWidget *tab);
    void removeTab(QWidget *tab);
    // Scrolls the least that shows the whole tab.
    void ensureVisible(QWidget *tab);
    // Brings the next tab that is (partly) hidden on that side (-1 left, 1 right) into view.
    void scrollTabs(int direction);

    // The part of the row of tabs that can be seen, in the coordinates of the row.
    QRect shownArea() const;
    QToolButton *backButton() const { return m_back; }
    QToolButton *forwardButton() const { return m_forward; }
    // Sets the arrows' accessible names and tool tips from the dictionary.
    void retranslate();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void scrollTo(int offset);
    // Places the row at the offset, after a change of the tabs or of the room.
    void placeRow();

    QWidget *m_viewport = nullptr;
    QWidget *m_row = nullptr;
    QHBoxLayout *m_rowLayout = nullptr;
    QToolButton *m_back = nullptr;
    QToolButton *m_forward = nullptr;
    int m_offset = 0;
    int m_wheelRest = 0;
    bool m_placing = false;
};
