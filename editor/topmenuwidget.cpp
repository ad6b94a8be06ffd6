#include "topmenuwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "hardwaredescription.h"
#include "qlabeldragdrop.h"
#include "topmenushortcuts.h"
#include "uilogging.h"

#include <QHBoxLayout>
#include <QPointer>

TopMenuWidget::TopMenuWidget(QWidget *parent)
    : QFrame(parent)
{
    m_layout = new QHBoxLayout(this);
    m_layout->setAlignment(Qt::AlignLeft);
    m_layout->setContentsMargins(5, 0, 5, 0);
    setStyleSheet(QStringLiteral(
        "TopMenuWidget { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgba(5, 46, "
        "60, 255), stop: 0.5 rgba(17, 80, 103, 255), stop:1 rgba(25, 104, 134, 255));}"));
}

TopMenuWidget *TopMenuWidget::instance()
{
    // The main window's layout takes ownership; should it go, the next caller gets a fresh menu.
    static QPointer<TopMenuWidget> menu;
    if (!menu)
        menu = new TopMenuWidget;
    return menu;
}

void TopMenuWidget::buildMenu(const QList<TopMenuButton> &entries)
{
    AppContext &context = AppContext::instance();
    const int width = context.dimension(QStringLiteral("TopMenuButtonWidth"), 80);
    const int height = context.dimension(QStringLiteral("TopMenuButtonHeight"), 80);
    // "Close" goes last, behind a stretch, wherever the description lists it: a stretch in front
    // of it alone would leave later buttons to its right.
    QList<TopMenuButton> ordered;
    QList<TopMenuButton> closing;
    for (const TopMenuButton &entry : entries)
        (entry.command == QLatin1String("Close") ? closing : ordered).append(entry);
    ordered += closing;

    for (const TopMenuButton &entry : std::as_const(ordered)) {
        auto *button = new QLabelDragDrop(
            context.icon(entry.onIcon), context.icon(entry.disabledIcon),
            context.icon(entry.offIcon), entry.command, entry.toolTip, width, height, false, this);
        button->setObjectName(entry.command);
        // The tool tip tells the key; a reader hears the button's short name and then the tip.
        const QList<QKeySequence> keys = TopMenuShortcuts::keys(entry.command);
        const QString tip =
            AccessibleText::withShortcut(entry.toolTip, keys.value(0, QKeySequence()));
        button->setToolTip(tip);
        const QString name = AccessibleText::text(QStringLiteral("MenuButton_") + entry.command);
        AccessibleText::setTexts(button, name.isEmpty() ? entry.toolTip : name, tip);
        if (entry.command == QLatin1String("Close"))
            m_layout->addStretch(1);
        m_layout->addWidget(button);
        m_buttons.append(button);
    }
}

void TopMenuWidget::buildMenu()
{
    const HardwareDescription *description = AppContext::instance().description();
    if (!description) {
        qCWarning(lcUi) << "Top menu: no hardware description loaded";
        return;
    }
    buildMenu(description->topMenuButtons());
}

void TopMenuWidget::emptyMenu()
{
    while (QLayoutItem *item = m_layout->takeAt(0)) {
        if (auto *button = qobject_cast<QLabelDragDrop *>(item->widget())) {
            button->clearLabel();
            button->hide();
            button->deleteLater();
        }
        delete item;
    }
    m_buttons.clear();
}

QLabelDragDrop *TopMenuWidget::button(const QString &command) const
{
    for (QLabelDragDrop *button : m_buttons) {
        if (button->command() == command)
            return button;
    }
    return nullptr;
}

void TopMenuWidget::changeStatus(QJsonObject state)
{
    for (QLabelDragDrop *button : std::as_const(m_buttons)) {
        const auto it = state.constFind(button->objectName());
        if (it == state.constEnd())
            continue;
        // Only exactly 1 allows the action; 0, 2 and texts do not.
        button->setEnabled(it->toInt(0) == 1);
        button->update();
    }
}
