#pragma once

#include <QJsonObject>
#include <QList>
#include <QObject>

class QAction;
class QDockWidget;
class QMainWindow;
class QToolBar;
class RobotViewDock;
class SensorPanel;
class VirtualController;
class mWorker;
class ProgramSelection;

// The side panels beside the editor and the slim bar at the window's right edge that shows and
// hides them and stacks them as tabs. The robot view is there only with a virtual controller;
// the sensor chart always is. The arrangement is kept in the saved state.
class SidePanels : public QObject
{
    Q_OBJECT
public:
    // The chart takes the worker's packets and follows the program area, which the window has
    // published by then.
    SidePanels(QMainWindow *window, mWorker *worker, ProgramSelection *selection,
               VirtualController *controller);

    SensorPanel *sensors() const { return m_sensors; }
    RobotViewDock *robot() const { return m_robot; }
    QToolBar *bar() const { return m_bar; }
    QAction *tabsAction() const { return m_tabs; }
    // The panels stacked as tabs (or one above the other).
    bool isTabbed() const;
    void setTabbed(bool tabbed);

    // Texts, images and sizes of the current language.
    void renewTexts();

    // What the state file keeps, and taking it back (once, before the window is first shown).
    QJsonObject state() const;
    void restoreState(const QJsonObject &state);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeByDefault();
    void sizeByDefault();
    void syncTabsAction();
    QList<QDockWidget *> panels() const;

    QMainWindow *m_window;
    SensorPanel *m_sensors = nullptr;
    RobotViewDock *m_robot = nullptr;
    QToolBar *m_bar = nullptr;
    QAction *m_tabs = nullptr;
    // The default arrangement takes its sizes once the window has its own.
    bool m_placePending = false;
};
