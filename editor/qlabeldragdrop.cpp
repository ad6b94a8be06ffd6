#include "qlabeldragdrop.h"

#include "disabledreason.h"
#include "keyboardaccess.h"

#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

QLabelDragDrop::QLabelDragDrop(const QIcon &onIcon, const QIcon &disabledIcon, const QIcon &offIcon,
                               const QString &command, const QString &toolTip, int width,
                               int height, bool draggable, QWidget *parent)
    : QLabel(parent)
    , m_command(command)
    , m_onIcon(onIcon)
    , m_disabledIcon(disabledIcon)
    , m_offIcon(offIcon)
    , m_size(width, height)
    , m_tip(toolTip)
    , m_draggable(draggable)
{
    setToolTip(toolTip);
    setMouseTracking(true);
    setFocusPolicy(isPlaceholder() ? Qt::NoFocus : Qt::TabFocus);
    showIcon(m_offIcon);
    setFixedSize(m_size);
}

void QLabelDragDrop::showIcon(const QIcon &icon)
{
    if (m_size.isEmpty())
        return;
    QPixmap pixmap = icon.pixmap(m_size);
    if (pixmap.isNull()) {
        pixmap = QPixmap(m_size);
        pixmap.fill(Qt::transparent);
    } else if (pixmap.size() != m_size) {
        pixmap = pixmap.scaled(m_size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    setPixmap(pixmap);
}

void QLabelDragDrop::setTip(const QString &tip, const QString &description)
{
    m_tip = tip;
    m_description = description;
    setToolTip(DisabledReason::toolTip(m_tip, m_reason));
    setAccessibleDescription(m_reason.isEmpty() ? m_description : m_reason);
}

void QLabelDragDrop::setDisabledReason(const QString &reason)
{
    m_reason = reason;
    DisabledReason::apply(this, m_tip, reason, m_description);
    update();
}

void QLabelDragDrop::setButtonSize(const QSize &size)
{
    if (size == m_size || size.isEmpty())
        return;
    m_size = size;
    setFixedSize(m_size);
    showIcon(m_offIcon);
}

bool QLabelDragDrop::isPlaceholder() const
{
    return m_command == QLatin1String("empty");
}

void QLabelDragDrop::activate()
{
    if (!isEnabled() || isPlaceholder())
        return;
    if (m_draggable)
        emit chosen(m_command);
    else
        emit clicked();
}

void QLabelDragDrop::keyPressEvent(QKeyEvent *event)
{
    if (KeyboardAccess::pressByKey(event, [this] { activate(); }))
        return;
    QLabel::keyPressEvent(event);
}

QMimeData *QLabelDragDrop::createMimeData() const
{
    auto *data = new QMimeData;
    data->setText(m_command + QLatin1Char(','));
    return data;
}

void QLabelDragDrop::clearLabel()
{
    clear();
}

Qt::DropAction QLabelDragDrop::executeDrag(QDrag *drag)
{
    return drag->exec(Qt::CopyAction | Qt::MoveAction);
}

void QLabelDragDrop::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = true;
    update();
    event->accept();
    if (!m_draggable)
        return;

    showIcon(m_onIcon);
    auto *drag = new QDrag(this);
    drag->setMimeData(createMimeData());
    drag->setPixmap(pixmap());
    drag->setHotSpot(event->position().toPoint());
    executeDrag(drag);
    drag->deleteLater();
    // The release ended the drag, not this label: the tile rises again here.
    m_pressed = false;
    showIcon(m_offIcon);
    update();
    QLabel::mousePressEvent(event);
}

void QLabelDragDrop::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_pressed = false;
    update();
    event->accept();
    if (!m_draggable)
        emit clicked();
}

void QLabelDragDrop::paintEvent(QPaintEvent *event)
{
    if (!isEnabled()) {
        QLabel::paintEvent(event);
        return;
    }
    // A pressed button sinks by two pixels.
    QPainter painter(this);
    const int shift = m_pressed ? 2 : 0;
    painter.drawPixmap(shift, shift, pixmap());
}
