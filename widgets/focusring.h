#pragma once

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

class QWidget;

// The visible mark of the keyboard focus, in the editor's colours, drawn over the focused control
// or over the current row of a focused list. Many of the editor's controls are pictures that
// have no focus look of their own, so one mark serves all of them, in every window. It shows
// while the keyboard is used and hides at a mouse press: a person who clicks sees where they are.
class FocusRing : public QObject
{
    Q_OBJECT
public:
    // Starts marking the focus in every window of the application; later calls do nothing.
    static void install();
    // The ring of the application (nullptr before install()).
    static FocusRing *instance();

    // The control marked now; nullptr while nothing is marked.
    QWidget *target() const;
    // The marked area in the coordinates of the control's window.
    QRect markedRect() const { return m_marked; }
    // The widget that draws the mark (for pictures of it); nullptr before the first mark.
    QWidget *markWidget() const;
    // True since the last key press, false since the last mouse press.
    bool keyboardUsed() const { return m_keyboardUsed; }

    static constexpr int Margin = 4;

private:
    class Mark;
    class Watcher;

    FocusRing();
    void setKeyboardUsed(bool used);
    void follow(QWidget *widget);
    void scheduleUpdate();
    void updateNow();
    bool concerns(const QObject *object) const;
    // The area to mark in window coordinates, clipped to what the window shows of it.
    static QRect areaOf(QWidget *widget);

    QPointer<QWidget> m_target;
    QPointer<QWidget> m_mark;
    QList<QMetaObject::Connection> m_connections;
    QTimer m_update;
    QRect m_marked;
    bool m_keyboardUsed = false;
};
