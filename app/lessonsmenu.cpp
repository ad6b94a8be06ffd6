#include "lessonsmenu.h"

#include "appcontext.h"
#include "guidewindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

LessonsMenu::LessonsMenu(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_menu = new QMenu(window);
    m_menu->setObjectName(QStringLiteral("LessonsMenu"));
    const auto add = [this, window](const QString &name, const QKeySequence &keys) {
        auto *action = new QAction(this);
        action->setObjectName(name);
        action->setShortcut(keys);
        // Shown in the menu and working from anywhere in the window, the menu closed or open.
        action->setShortcutVisibleInContextMenu(true);
        window->addAction(action);
        m_menu->addAction(action);
        return action;
    };
    m_examples =
        add(QStringLiteral("LessonsExamples"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    m_guide = add(QStringLiteral("LessonsGuide"), QKeySequence(Qt::Key_F1));
    m_menu->addSeparator();
    m_worksheet = add(QStringLiteral("LessonsWorksheet"), QKeySequence(Qt::CTRL | Qt::Key_P));
    m_export = add(QStringLiteral("LessonsExport"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    // F1 also in the settings and every other window of the program.
    m_guide->setShortcutContext(Qt::ApplicationShortcut);
    connect(m_examples, &QAction::triggered, this, &LessonsMenu::examplesRequested);
    connect(m_worksheet, &QAction::triggered, this, &LessonsMenu::worksheetRequested);
    connect(m_export, &QAction::triggered, this, &LessonsMenu::exportRequested);
    connect(m_guide, &QAction::triggered, this, [this] {
        // The focus at the key press, before the menu (if it was open) gave it back.
        showGuide(GuideWindow::topicFor(QApplication::focusWidget()));
    });
    renewTexts();
}

void LessonsMenu::renewTexts()
{
    const AppContext &context = AppContext::instance();
    for (QAction *action : {m_examples, m_guide, m_worksheet, m_export})
        action->setText(context.text(action->objectName()));
    m_menu->setStyleSheet(
        QStringLiteral(
            "QMenu { background: white; color: rgb(5, 46, 60); border: 2px solid rgb(5, 46, 60);"
            " padding: 4px; font-size: %1px; }"
            "QMenu::item { padding: 8px 24px 8px 16px; border-radius: 6px; }"
            "QMenu::item:selected { background: rgb(255, 213, 79); }"
            "QMenu::separator { height: 1px; background: rgb(190, 205, 215); margin: 4px 8px; }")
            .arg(context.dimension(QStringLiteral("LessonsMenuTextSize"), 16)));
    // A guide open in the old language closes; the next F1 opens the new one.
    if (m_guideWindow)
        m_guideWindow->close();
}

void LessonsMenu::popUpBelow(QWidget *button)
{
    m_menu->popup(button->mapToGlobal(QPoint(0, button->height())));
    if (!m_menu->actions().isEmpty())
        m_menu->setActiveAction(m_menu->actions().first());
}

GuideWindow *LessonsMenu::guide() const
{
    return m_guideWindow;
}

GuideWindow *LessonsMenu::showGuide(const QString &topic)
{
    if (!m_guideWindow)
        m_guideWindow = new GuideWindow(m_window);
    m_guideWindow->showTopic(topic);
    m_guideWindow->show();
    m_guideWindow->raise();
    m_guideWindow->activateWindow();
    return m_guideWindow;
}
