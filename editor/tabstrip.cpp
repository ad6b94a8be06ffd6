#include "tabstrip.h"

#include "accessibletext.h"
#include "appcontext.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QScopedValueRollback>
#include <QToolButton>
#include <QWheelEvent>

namespace {

QToolButton *makeArrow(const QString &glyph, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setText(glyph);
    // The tabs themselves are reached by Tab and scrolled into view; the arrows serve the mouse.
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(
        AppContext::instance().dimension(QStringLiteral("TabScrollButtonWidth"), 28), 40);
    // In the look of the "+" button beside them.
    button->setStyleSheet(QStringLiteral(
        "QToolButton { background-color: rgba(69,192, 222, 255); border: none; border-radius: "
        "8px; color: white; font-size: 24px; font-weight: bold; padding-bottom: 4px; }"
        "QToolButton:disabled { color: rgba(255, 255, 255, 90); }"
        "QToolButton:pressed { background-color: rgba(79, 221, 255, 255); }"));
    button->hide();
    return button;
}

} // namespace

TabStrip::TabStrip(QWidget *parent)
    : QFrame(parent)
    , m_viewport(new QWidget(this))
    , m_row(new QWidget(m_viewport))
    , m_rowLayout(new QHBoxLayout(m_row))
    , m_back(makeArrow(QStringLiteral("\u2039"), this))
    , m_forward(makeArrow(QStringLiteral("\u203a"), this))
{
    m_rowLayout->setContentsMargins(0, 0, 0, 0);
    m_rowLayout->setSpacing(0);
    m_rowLayout->addStretch(1);
    m_viewport->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_viewport->installEventFilter(this);
    m_row->installEventFilter(this);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(m_viewport, 1);
    layout->addWidget(m_back);
    layout->addWidget(m_forward);

    connect(m_back, &QToolButton::clicked, this, [this] { scrollTabs(-1); });
    connect(m_forward, &QToolButton::clicked, this, [this] { scrollTabs(1); });
    retranslate();
}

void TabStrip::retranslate()
{
    for (const auto &[button, key] : {std::pair{m_back, QStringLiteral("TabsBackName")},
                                      std::pair{m_forward, QStringLiteral("TabsForwardName")}}) {
        AccessibleText::set(button, key);
        button->setToolTip(AccessibleText::text(key));
    }
}

void TabStrip::insertTab(int position, QWidget *tab)
{
    // The stretch after the tabs stays last.
    m_rowLayout->insertWidget(qBound(0, position, m_rowLayout->count() - 1), tab);
    // At once, not when the layout gets round to it: a new tab is scrolled to straight away.
    tab->show();
    tab->installEventFilter(this);
    placeRow();
}

void TabStrip::removeTab(QWidget *tab)
{
    tab->removeEventFilter(this);
    m_rowLayout->removeWidget(tab);
    placeRow();
}

QRect TabStrip::shownArea() const
{
    return QRect(m_offset, 0, m_viewport->width(), m_viewport->height());
}

void TabStrip::ensureVisible(QWidget *tab)
{
    if (!tab || m_rowLayout->indexOf(tab) < 0)
        return;
    placeRow();
    // A tab just added has its place only once the row is laid out.
    m_rowLayout->invalidate();
    m_rowLayout->activate();
    const int room = m_viewport->width();
    if (tab->x() < m_offset || tab->width() > room)
        scrollTo(tab->x());
    else if (tab->x() + tab->width() > m_offset + room)
        scrollTo(tab->x() + tab->width() - room);
}

void TabStrip::scrollTabs(int direction)
{
    const int room = m_viewport->width();
    const int count = m_rowLayout->count();
    for (int i = 0; i < count; ++i) {
        // Forward: the first tab that ends beyond the right edge; back: the last that starts
        // before the left edge.
        QWidget *tab = m_rowLayout->itemAt(direction > 0 ? i : count - 1 - i)->widget();
        if (!tab || tab->isHidden())
            continue;
        if (direction > 0 && tab->x() + tab->width() > m_offset + room) {
            scrollTo(tab->x() + tab->width() - room);
            return;
        }
        if (direction < 0 && tab->x() < m_offset) {
            scrollTo(tab->x());
            return;
        }
    }
}

void TabStrip::scrollTo(int offset)
{
    m_offset = offset;
    placeRow();
}

void TabStrip::placeRow()
{
    // Showing the arrows resizes the viewport, which asks for a place again.
    if (m_placing)
        return;
    QScopedValueRollback<bool> guard(m_placing, true);

    const QSize hint = m_row->sizeHint();
    m_viewport->setMinimumHeight(hint.height());
    // The arrows take room only while the tabs need more than the strip has.
    const int arrows = m_back->width() + m_forward->width() + 2 * layout()->spacing();
    const int whole = m_viewport->width() + (m_back->isHidden() ? 0 : arrows);
    const bool overflow = hint.width() > whole;
    if (overflow == m_back->isHidden()) {
        m_back->setVisible(overflow);
        m_forward->setVisible(overflow);
        layout()->activate();
    }
    const int room = m_viewport->width();
    const int most = qMax(0, hint.width() - room);
    m_offset = qBound(0, m_offset, most);
    m_row->setGeometry(-m_offset, 0, qMax(hint.width(), room), m_viewport->height());
    m_back->setEnabled(m_offset > 0);
    m_forward->setEnabled(m_offset < most);
}

bool TabStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_viewport || watched == m_row) {
        // A new room, or tabs that changed their width (a caption renamed).
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
            placeRow();
    } else if (event->type() == QEvent::FocusIn) {
        ensureVisible(qobject_cast<QWidget *>(watched));
    }
    return QFrame::eventFilter(watched, event);
}

void TabStrip::wheelEvent(QWheelEvent *event)
{
    // Either wheel moves along the row, a notch a tab; turning it away from the user goes back,
    // as in the strips of tabs of other programs.
    const QPoint delta = event->angleDelta();
    m_wheelRest -= qAbs(delta.x()) > qAbs(delta.y()) ? delta.x() : delta.y();
    const int step = QWheelEvent::DefaultDeltasPerStep;
    for (; m_wheelRest >= step; m_wheelRest -= step)
        scrollTabs(1);
    for (; m_wheelRest <= -step; m_wheelRest += step)
        scrollTabs(-1);
    event->accept();
}
