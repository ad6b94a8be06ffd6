#include "subprogramtabwidget.h"

#include "accessibletext.h"
#include "keyboardaccess.h"
#include "programlistwidget.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>

namespace {

// Space around the dot of a marked tab.
constexpr int kDotMargin = 12;

QString tabStyle(const char *background)
{
    return QStringLiteral("SubProgramTabWidget {background-color: %1;border-top-right-radius: "
                          "8px;border-top-left-radius: 8px;padding: 3px 10px;min-width: "
                          "20ex;margin-right: 3px;margin-left: 0px;color: white;font-size: "
                          "16px;font-weight: bold; }SubProgramTabWidget QLabel { color: white;}")
        .arg(QLatin1String(background));
}

} // namespace

SubProgramTabWidget::SubProgramTabWidget(int index, const QString &name, const QString &deleteHint,
                                         const QString &refusalText, QWidget *parent)
    : QFrame(parent)
    , m_index(index)
    , m_name(name)
    , m_refusalText(refusalText)
    , m_caption(new QLabel(this))
    , m_deleteButton(new QPushButton(QStringLiteral("x"), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_caption->setAlignment(Qt::AlignCenter);
    m_deleteButton->setFixedSize(20, 20);
    // The focused tab answers Delete, so the button needs no stop of its own.
    const QString deleteTip = AccessibleText::withShortcut(deleteHint, QKeySequence::Delete);
    m_deleteButton->setFocusPolicy(Qt::NoFocus);
    m_deleteButton->setToolTip(deleteTip);
    AccessibleText::setTexts(m_deleteButton, deleteHint);
    setAccessibleDescription(deleteTip);
    setFocusPolicy(Qt::TabFocus);
    m_deleteButton->setStyleSheet(QStringLiteral(
        "QPushButton {background-color: rgba(0,0, 0, 0); border-top-right-radius: "
        "18px;border-top-left-radius: 18px;color: black;font-size: 16px;font-weight: "
        "bold;}QPushButton:pressed {background-color: rgba(255, 255, 255, 255); "
        "border-top-right-radius: 18px;border-top-left-radius: 18px;color: black;font-size: "
        "16px;font-weight: bold;}"));
    layout->addWidget(m_caption, 1);
    layout->addWidget(m_deleteButton, 0, Qt::AlignRight);
    setMinimumHeight(40);
    connect(m_deleteButton, &QPushButton::clicked, this, &SubProgramTabWidget::requestDelete);
    updateCaption();
    updateStyle();
}

void SubProgramTabWidget::setIndex(int index)
{
    m_index = index;
    updateCaption();
}

void SubProgramTabWidget::setName(const QString &name)
{
    m_name = name;
    updateCaption();
}

QString SubProgramTabWidget::caption() const
{
    return m_numbered ? m_name + QLatin1Char(' ') + QString::number(m_index) : m_name;
}

void SubProgramTabWidget::setSelected(bool selected)
{
    m_selected = selected;
    updateStyle();
}

void SubProgramTabWidget::setDeletable(bool deletable)
{
    m_deletable = deletable;
    m_deleteButton->setVisible(deletable);
    setAccessibleDescription(deletable ? m_deleteButton->toolTip() : QString());
}

void SubProgramTabWidget::setNumbered(bool numbered)
{
    m_numbered = numbered;
    updateCaption();
}

void SubProgramTabWidget::setGroup(std::shared_ptr<Group> group)
{
    m_group = std::move(group);
}

void SubProgramTabWidget::setMainProgramList(ProgramListWidget *list)
{
    m_mainList = list;
}

void SubProgramTabWidget::requestDelete()
{
    if (m_mainList && m_mainList->hasCallTo(m_index)) {
        QToolTip::showText(m_deleteButton->mapToGlobal(m_deleteButton->rect().center()),
                           m_refusalText, m_deleteButton);
        return;
    }
    if (m_mainList)
        m_mainList->renumberCalls(m_index);
    emit deleted(m_index, false);
}

void SubProgramTabWidget::setMarker(RowDecoration::Marker marker)
{
    if (m_marker == marker)
        return;
    m_marker = marker;
    // The caption makes room for the dot while there is one.
    layout()->setContentsMargins(
        marker == RowDecoration::Marker::None ? 0 : int(2 * dotRadius() + kDotMargin), 0, 0, 0);
    update();
}

qreal SubProgramTabWidget::dotRadius() const
{
    return minimumHeight() / 6.0;
}

void SubProgramTabWidget::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (m_marker == RowDecoration::Marker::None)
        return;
    // A dot in the marker's colour before the caption: the marked row is in this program.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = dotRadius();
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(RowDecoration::markerColor(m_marker));
    painter.drawEllipse(QPointF(radius + kDotMargin / 2.0, height() / 2.0), radius, radius);
}

void SubProgramTabWidget::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    activate();
}

void SubProgramTabWidget::activate()
{
    if (m_group) {
        for (const auto &tab : std::as_const(*m_group)) {
            if (tab)
                tab->setSelected(false);
        }
    }
    setSelected(true);
    emit selected(m_index);
}

void SubProgramTabWidget::keyPressEvent(QKeyEvent *event)
{
    if (KeyboardAccess::pressByKey(event, [this] { activate(); }))
        return;
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        if (m_deletable && !event->isAutoRepeat())
            requestDelete();
        event->accept();
        return;
    }
    QFrame::keyPressEvent(event);
}

void SubProgramTabWidget::updateCaption()
{
    m_caption->setText(caption());
}

void SubProgramTabWidget::updateStyle()
{
    setStyleSheet(tabStyle(m_selected ? "rgba(79, 221, 255, 255)" : "rgba(69,192, 222, 255)"));
}
