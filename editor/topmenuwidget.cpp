#include "topmenuwidget.h"

#include "accessibletext.h"
#include "actionreasons.h"
#include "appcontext.h"
#include "hardwaredescription.h"
#include "qlabeldragdrop.h"
#include "topmenushortcuts.h"
#include "uilogging.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPointer>

namespace {

const QString kClose = QStringLiteral("Close");
const QString kMore = QStringLiteral("more");

} // namespace

TopMenuWidget::TopMenuWidget(QWidget *parent)
    : QFrame(parent)
{
    m_layout = new QHBoxLayout(this);
    m_layout->setAlignment(Qt::AlignLeft);
    m_layout->setContentsMargins(5, 0, 5, 0);
    // The row takes the width it is given and fits its buttons to it (fitButtons), also as a
    // window of its own.
    m_layout->setSizeConstraint(QLayout::SetNoConstraint);
    setStyleSheet(QStringLiteral(
        "TopMenuWidget { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgba(5, 46, "
        "60, 255), stop: 0.5 rgba(17, 80, 103, 255), stop:1 rgba(25, 104, 134, 255));}"));
    m_moreMenu = new QMenu(this);
}

TopMenuWidget *TopMenuWidget::instance()
{
    // The main window's layout takes ownership; should it go, the next caller gets a fresh menu.
    static QPointer<TopMenuWidget> menu;
    if (!menu)
        menu = new TopMenuWidget;
    return menu;
}

QSize TopMenuWidget::largestSize() const
{
    const AppContext &context = AppContext::instance();
    return {context.dimension(QStringLiteral("TopMenuButtonWidth"), 80),
            context.dimension(QStringLiteral("TopMenuButtonHeight"), 80)};
}

QSize TopMenuWidget::sizeForWidth(int width) const
{
    // The pictures keep their proportions.
    const QSize largest = largestSize();
    return {width, largest.width() > 0 ? largest.height() * width / largest.width() : width};
}

void TopMenuWidget::buildMenu(const QList<TopMenuButton> &entries)
{
    AppContext &context = AppContext::instance();
    const QSize size = largestSize();
    // "Close" goes last, behind a stretch, wherever the description lists it: a stretch in front
    // of it alone would leave later buttons to its right.
    QList<TopMenuButton> ordered;
    QList<TopMenuButton> closing;
    for (const TopMenuButton &entry : entries)
        (entry.command == kClose ? closing : ordered).append(entry);
    ordered += closing;

    auto makeButton = [&](const QString &command, const QString &onIcon,
                          const QString &disabledIcon, const QString &offIcon,
                          const QString &toolTip) {
        auto *button = new QLabelDragDrop(context.icon(onIcon), context.icon(disabledIcon),
                                          context.icon(offIcon), command, toolTip, size.width(),
                                          size.height(), false, this);
        button->setObjectName(command);
        // The tool tip tells the key; a reader hears the button's short name and then the tip.
        const QList<QKeySequence> keys = TopMenuShortcuts::keys(command);
        const QString tip = AccessibleText::withShortcut(toolTip, keys.value(0, QKeySequence()));
        const QString name = AccessibleText::text(QStringLiteral("MenuButton_") + command);
        button->setAccessibleName(name.isEmpty() ? toolTip : name);
        button->setTip(tip, tip);
        return button;
    };

    // The more button ends the packed buttons, in front of the stretch.
    auto addMoreButton = [&] {
        m_more =
            makeButton(kMore, QStringLiteral("top_more_on.svg"),
                       QStringLiteral("top_more_disable.svg"), QStringLiteral("top_more_off.svg"),
                       AccessibleText::text(QStringLiteral("MenuMoreHint")));
        connect(m_more, &QLabelDragDrop::clicked, this, &TopMenuWidget::showMoreMenu);
        m_layout->addWidget(m_more);
        m_more->hide();
    };
    for (const TopMenuButton &entry : std::as_const(ordered)) {
        if (entry.command == kClose) {
            if (!m_more)
                addMoreButton();
            m_layout->addStretch(1);
        }
        QLabelDragDrop *button = makeButton(entry.command, entry.onIcon, entry.disabledIcon,
                                            entry.offIcon, entry.toolTip);
        m_layout->addWidget(button);
        m_buttons.append(button);
    }
    if (!m_more)
        addMoreButton();
    // A row not shown yet is fitted when it gets its width.
    if (isVisible())
        fitButtons();
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
    m_more = nullptr;
}

QLabelDragDrop *TopMenuWidget::button(const QString &command) const
{
    for (QLabelDragDrop *button : m_buttons) {
        if (button->command() == command)
            return button;
    }
    return nullptr;
}

QList<QLabelDragDrop *> TopMenuWidget::overflowButtons() const
{
    QList<QLabelDragDrop *> hidden;
    for (QLabelDragDrop *button : m_buttons) {
        if (button->isHidden())
            hidden.append(button);
    }
    return hidden;
}

QSize TopMenuWidget::minimumSizeHint() const
{
    // Room for "Close" and the more button at the least size: the row never holds the window
    // wider than the screen.
    const AppContext &context = AppContext::instance();
    const QSize least =
        sizeForWidth(context.dimension(QStringLiteral("TopMenuButtonLeastWidth"), 44));
    const QMargins margins = m_layout->contentsMargins();
    return {margins.left() + margins.right() + 2 * least.width() + m_layout->spacing(),
            least.height()};
}

void TopMenuWidget::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    fitButtons();
}

void TopMenuWidget::fitButtons()
{
    const int count = int(m_buttons.size());
    if (count == 0)
        return;
    const AppContext &context = AppContext::instance();
    const int largest = largestSize().width();
    const int least =
        qMin(largest, context.dimension(QStringLiteral("TopMenuButtonLeastWidth"), 44));
    const QMargins margins = m_layout->contentsMargins();
    const int spacing = qMax(0, m_layout->spacing());
    const int room = width() - margins.left() - margins.right();
    auto widthOf = [spacing](int buttons, int size) {
        return buttons * size + qMax(0, buttons - 1) * spacing;
    };

    int size = qBound(least, (room - (count - 1) * spacing) / count, largest);
    int shown = count;
    if (widthOf(count, least) > room) {
        // The more button takes the place of one more of them.
        size = least;
        shown = qMax(1, (room + spacing) / (least + spacing) - 1);
    }
    const QSize buttonSize = sizeForWidth(size);
    // "Close" stays; the others leave from the end of the row.
    int keep = shown - (button(kClose) ? 1 : 0);
    for (QLabelDragDrop *button : std::as_const(m_buttons)) {
        button->setButtonSize(buttonSize);
        const bool visible = button->command() == kClose || keep-- > 0;
        button->setVisible(visible);
    }
    if (m_more) {
        m_more->setButtonSize(buttonSize);
        m_more->setVisible(shown < count);
    }
}

void TopMenuWidget::showMoreMenu()
{
    m_moreMenu->clear();
    for (QLabelDragDrop *button : overflowButtons()) {
        QAction *action = m_moreMenu->addAction(button->offIcon(), button->accessibleName());
        action->setToolTip(button->toolTip());
        action->setEnabled(button->isEnabled());
        connect(action, &QAction::triggered, button, &QLabelDragDrop::activate);
    }
    m_moreMenu->setToolTipsVisible(true);
    m_moreMenu->popup(m_more ? m_more->mapToGlobal(QPoint(0, m_more->height())) : QCursor::pos());
}

void TopMenuWidget::changeStatus(QJsonObject state)
{
    const AppContext &context = AppContext::instance();
    for (QLabelDragDrop *button : std::as_const(m_buttons)) {
        const auto it = state.constFind(ActionReasons::stateKey(button->objectName()));
        if (it == state.constEnd())
            continue;
        // Only exactly 1 allows the action; 0, 2 and texts do not. A button that may not be used
        // says what to do first.
        const bool allowed = it->toInt(0) == 1;
        const QString key = ActionReasons::actionKey(button->objectName(), state);
        if (allowed || !key.isEmpty())
            button->setDisabledReason(allowed ? QString() : context.text(key));
        else
            button->setEnabled(false);
        button->update();
    }
}
