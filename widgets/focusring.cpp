#include "focusring.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QScrollBar>
#include <QTabBar>
#include <QWidget>

namespace {

// A white line on the editor's dark teal: visible on the dark menus as on the light lists.
const QColor kRingColor(255, 255, 255);
const QColor kHaloColor(5, 46, 60);
constexpr qreal kRadius = 8;

QPointer<FocusRing> ring;

} // namespace

// Draws the mark; a child of the marked control's window, above all its other children.
class FocusRing::Mark : public QWidget
{
public:
    explicit Mark(QWidget *window)
        : QWidget(window)
    {
        setObjectName(QStringLiteral("focusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF frame = QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kHaloColor, 5));
        painter.drawRoundedRect(frame, kRadius, kRadius);
        painter.setPen(QPen(kRingColor, 3));
        painter.drawRoundedRect(frame, kRadius, kRadius);
    }
};

// Sees every event of the application once: key and mouse presses decide whether the mark
// shows, and moves and resizes of the marked control or its parents move it.
class FocusRing::Watcher : public QObject
{
public:
    explicit Watcher(FocusRing *owner)
        : QObject(owner)
        , m_ring(owner)
    {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
            m_ring->setKeyboardUsed(true);
            // A key may move the current row or reshape a panel.
            m_ring->scheduleUpdate();
            break;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            m_ring->setKeyboardUsed(false);
            break;
        case QEvent::FocusIn:
            m_ring->follow(QApplication::focusWidget());
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Wheel:
            if (m_ring->concerns(watched))
                m_ring->scheduleUpdate();
            break;
        default:
            break;
        }
        return false;
    }

private:
    FocusRing *m_ring;
};

FocusRing::FocusRing()
    : QObject(qApp)
{
    m_update.setSingleShot(true);
    m_update.setInterval(0);
    connect(&m_update, &QTimer::timeout, this, &FocusRing::updateNow);
    qApp->installEventFilter(new Watcher(this));
}

void FocusRing::install()
{
    if (!ring && qApp)
        ring = new FocusRing;
}

FocusRing *FocusRing::instance()
{
    return ring;
}

QWidget *FocusRing::target() const
{
    return m_mark && m_mark->isVisible() ? m_target.data() : nullptr;
}

QWidget *FocusRing::markWidget() const
{
    return m_mark;
}

void FocusRing::setKeyboardUsed(bool used)
{
    if (m_keyboardUsed == used)
        return;
    m_keyboardUsed = used;
    if (used && !m_target)
        follow(QApplication::focusWidget());
    scheduleUpdate();
}

void FocusRing::follow(QWidget *widget)
{
    if (widget && widget == m_mark)
        return;
    if (widget != m_target) {
        for (const QMetaObject::Connection &connection : std::as_const(m_connections))
            disconnect(connection);
        m_connections.clear();
        m_target = widget;
        // A list marks its current row, which moves without the list moving.
        if (auto *view = qobject_cast<QAbstractItemView *>(widget)) {
            const auto update = [this] { scheduleUpdate(); };
            if (view->selectionModel())
                m_connections.append(connect(view->selectionModel(),
                                             &QItemSelectionModel::currentChanged, this, update));
            m_connections.append(
                connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, update));
            if (view->model())
                m_connections.append(
                    connect(view->model(), &QAbstractItemModel::rowsMoved, this, update));
        } else if (auto *tabs = qobject_cast<QTabBar *>(widget)) {
            m_connections.append(
                connect(tabs, &QTabBar::currentChanged, this, [this] { scheduleUpdate(); }));
        }
    }
    scheduleUpdate();
}

bool FocusRing::concerns(const QObject *object) const
{
    const auto *widget = qobject_cast<const QWidget *>(object);
    return widget && widget != m_mark && m_target &&
           (widget == m_target || widget->isAncestorOf(m_target));
}

void FocusRing::scheduleUpdate()
{
    m_update.start();
}

QRect FocusRing::areaOf(QWidget *widget)
{
    QWidget *window = widget->window();
    QWidget *base = widget;
    QRect area = widget->rect();
    if (auto *view = qobject_cast<QAbstractItemView *>(widget)) {
        const QModelIndex current = view->currentIndex();
        const QRect row = current.isValid() ? view->visualRect(current) : QRect();
        if (!row.isEmpty()) {
            base = view->viewport();
            area = row;
        }
    } else if (auto *tabs = qobject_cast<QTabBar *>(widget)) {
        // The arrows choose among the tabs: the current one is marked.
        const QRect tab = tabs->tabRect(tabs->currentIndex());
        if (!tab.isEmpty())
            area = tab;
    }
    QRect result(base->mapTo(window, area.topLeft()), area.size());
    // Only the part the window shows: a control scrolled half out of its panel is marked where
    // it can be seen.
    for (QWidget *parent = base; parent && parent != window; parent = parent->parentWidget())
        result &= QRect(parent->mapTo(window, QPoint(0, 0)), parent->size());
    return result;
}

void FocusRing::updateNow()
{
    QWidget *target = m_target;
    // An open popup (a chooser's list) takes the keys: the mark goes there or nowhere.
    const QWidget *popup = QApplication::activePopupWidget();
    const bool wanted = m_keyboardUsed && target && target->isVisible() &&
                        target->window()->isVisible() && (!popup || popup == target->window());
    const QRect area = wanted ? areaOf(target) : QRect();
    if (area.isEmpty()) {
        m_marked = QRect();
        if (m_mark)
            m_mark->hide();
        return;
    }
    QWidget *window = target->window();
    if (!m_mark)
        m_mark = new Mark(window);
    else if (m_mark->parentWidget() != window)
        m_mark->setParent(window);
    m_marked = area;
    m_mark->setGeometry(area.adjusted(-Margin, -Margin, Margin, Margin));
    m_mark->raise();
    m_mark->show();
    m_mark->update();
}
