#pragma once

#include <QObject>
#include <QPointer>

class GuideWindow;
class QAction;
class QMenu;
class QWidget;

// What a teacher prepares a lesson with, behind the top menu's "Lessons" button and its keys:
// the examples to start from (Ctrl+Shift+O), the guide (F1, at the page that fits the control
// with the focus), the worksheet as a PDF shown at once (Ctrl+P) and the worksheet exported as
// PDF, PNG or SVG (Ctrl+Shift+E). The window does what the examples and worksheets need.
class LessonsMenu : public QObject
{
    Q_OBJECT
public:
    explicit LessonsMenu(QWidget *window);

    QMenu *menu() const { return m_menu; }
    QAction *examplesAction() const { return m_examples; }
    QAction *guideAction() const { return m_guide; }
    QAction *worksheetAction() const { return m_worksheet; }
    QAction *exportAction() const { return m_export; }
    // Texts of the current language.
    void renewTexts();
    // Opens the menu below a button.
    void popUpBelow(QWidget *button);

    // Shows the guide at a topic; an open guide turns to it.
    GuideWindow *showGuide(const QString &topic);
    GuideWindow *guide() const;

signals:
    void examplesRequested();
    void worksheetRequested();
    void exportRequested();

private:
    QWidget *m_window;
    QMenu *m_menu = nullptr;
    QAction *m_examples = nullptr;
    QAction *m_guide = nullptr;
    QAction *m_worksheet = nullptr;
    QAction *m_export = nullptr;
    QPointer<GuideWindow> m_guideWindow;
};
