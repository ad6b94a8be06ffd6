#include "programlistitemwidget.h"

#include "appcontext.h"
#include "command.h"
#include "commandsummary.h"
#include "conditioncomboboxmodel.h"
#include "programitemcombobox.h"
#include "rowaccessibletext.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidgetItem>
#include <QMouseEvent>
#include <QPainter>
#include <QSpacerItem>
#include <QStyle>
#include <QStyleOption>

namespace {

// The look of the rows lives in one style sheet of the list (rules()), not in one sheet per
// widget: a list of hundreds of rows would otherwise parse and polish every sheet on its own.
const char *const kActionStyle =
    "border-style: solid; border-width: 2px; border-color: rgba(5, 46, 60, 255); "
    "background-color: white; color: black; border-radius: 8px; ";
const char *const kConditionStyle =
    "border-style: solid; border-width: 2px; border-color: green; background-color: white; "
    "color: black; border-radius: 8px; text-align: center;";
// A row greyed out by the cycle check must look void at a glance, not only its picture.
const char *const kGreyedStyle =
    "border-color: rgb(150, 150, 150); background-color: rgb(215, 215, 215); "
    "color: rgb(120, 120, 120);";

// A read-only summary box. Mouse events fall through to the list, so pressing anywhere on a row
// selects it and starts drags.
QLabel *makeTextBox(QWidget *parent, const QString &objectName)
{
    auto *box = new QLabel(parent);
    box->setObjectName(objectName);
    box->setTextInteractionFlags(Qt::NoTextInteraction);
    box->setAlignment(Qt::AlignCenter);
    box->setWordWrap(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return box;
}

// Where a row paints its picture: laid out like the fixed-size label it stands for, spacing and
// all (a layout leaves no spacing beside an empty item, which a plain spacer is).
class PicturePlace : public QSpacerItem
{
public:
    explicit PicturePlace(const QSize &size)
        : QSpacerItem(size.width(), size.height(), QSizePolicy::Fixed, QSizePolicy::Fixed)
    {}
    bool isEmpty() const override { return false; }
};

} // namespace

QString ProgramListItemWidget::styleRules()
{
    // A marked row's frame and its breakpoint are painted over this (RowDecoration).
    using namespace RowDecoration;
    const QString frame = QStringLiteral("border: %1px solid white; border-radius: %2px; "
                                         "margin-left: %3px; margin-right: %4px; margin-top: %5px;")
                              .arg(kBorder)
                              .arg(kRadius)
                              .arg(kMarginLeft)
                              .arg(kMarginRight)
                              .arg(kMarginTop);
    return QStringLiteral("ProgramListItemWidget { %1}"
                          "QLabel#actionSummary { %2}"
                          "QLabel#conditionSummary { %3}"
                          "QLabel#actionSummary:disabled, QLabel#conditionSummary:disabled { %4}"
                          "ProgramItemComboBox { background: transparent; border: none; "
                          "padding: 0px; }"
                          "ProgramItemComboBox::drop-down { width: 0px; border: none; }"
                          "ProgramItemComboBox QAbstractItemView { background: transparent; "
                          "border: 2px solid red; border-radius: 8px; }")
        .arg(frame, QLatin1String(kActionStyle), QLatin1String(kConditionStyle),
             QLatin1String(kGreyedStyle));
}

ProgramListItemWidget::ProgramListItemWidget(RowKind kind, const QString &caption,
                                             QListWidgetItem *item, QWidget *parent)
    : QFrame(parent)
    , m_kind(kind)
    , m_item(item)
{
    setObjectName(kind == RowKind::Begin ? QStringLiteral("BEGIN") : QStringLiteral("END"));
    setProperty("PLIW", true);
    auto *layout = new QHBoxLayout(this);
    m_actionBox = makeTextBox(this, QStringLiteral("frameCaption"));
    m_actionBox->setText(caption);
    layout->addWidget(m_actionBox);
    if (m_item)
        m_item->setData(Qt::AccessibleTextRole, caption);
}

ProgramListItemWidget::ProgramListItemWidget(const QString &name, const QString &iconName,
                                             QListWidgetItem *item, QWidget *parent)
    : QFrame(parent)
    , m_kind(RowKind::Command)
    , m_item(item)
{
    setObjectName(name);
    setProperty("PLIW", true);
    const AppContext &context = AppContext::instance();
    const int iconWidth = context.dimension(QStringLiteral("ProgramItemIconWidth"), 30);
    const int iconHeight = context.dimension(QStringLiteral("ProgramItemIconHeight"), 30);

    // The picture is painted by the row itself: one widget fewer in every row of a long program.
    m_picture = AppContext::instance().icon(iconName);
    m_pictureSize = QSize(iconWidth, iconHeight);

    m_actionBox = makeTextBox(this, QStringLiteral("actionSummary"));
    m_conditionBox = makeTextBox(this, QStringLiteral("conditionSummary"));

    m_model = new ConditionComboBoxModel(this);
    m_chooser = new ProgramItemComboBox(this);
    m_chooser->setModel(m_model);
    m_chooser->setChooserIconSize(QSize(iconWidth, iconHeight));
    m_chooser->setFixedWidth(iconWidth);
    // Not a stop of its own: the list opens the current row's chooser (F4), so Tab does not visit
    // every row of a long program. A reader meets the row's condition in the row's name, and the
    // entries of the open chooser by their names.
    m_chooser->setFocusPolicy(Qt::NoFocus);
    connect(m_chooser, &ProgramItemComboBox::click, this,
            &ProgramListItemWidget::SlotToClickComboBox);
    connect(m_chooser, &QComboBox::activated, this,
            &ProgramListItemWidget::setNewCurrentConditions);

    auto *layout = new QHBoxLayout(this);
    m_picturePlace = new PicturePlace(m_pictureSize);
    layout->addItem(m_picturePlace);
    layout->addWidget(m_actionBox, 1);
    layout->addWidget(m_chooser);
    layout->addWidget(m_conditionBox, 1);
}

ProgramListItemWidget::~ProgramListItemWidget()
{
    detachFromCommand();
}

void ProgramListItemWidget::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    paintPicture(painter);
    paintDecoration(painter);
}

void ProgramListItemWidget::paintPicture(QPainter &painter)
{
    if (!m_picturePlace || m_picture.isNull())
        return;
    const QSize size = m_pictureSize;
    const QRect place = m_picturePlace->geometry();
    // Where a fixed-size widget would sit: centred in the height of the row, or from its top when
    // the row is lower than the picture.
    const QRect target(place.left(), place.top() + qMax(0, (place.height() - size.height()) / 2),
                       size.width(), size.height());
    // Drawn as a label draws its pixmap, so a row greyed by the cycle check tints it the same way.
    QPixmap pixmap = m_picture.pixmap(size);
    QStyleOption option;
    option.initFrom(this);
    if (!isEnabled())
        pixmap = style()->generatedIconPixmap(QIcon::Disabled, pixmap, &option);
    style()->drawItemPixmap(&painter, target, Qt::AlignLeft | Qt::AlignVCenter, pixmap);
}

void ProgramListItemWidget::setCommand(Command *command)
{
    detachFromCommand();
    m_command = command;
    if (!m_command)
        return;
    m_command->attach(this);
    fillChooser();
    selectCurrentKind();
    updateSummaries();
    updateAccessibleDescription();
    emit programListItemChanged();
}

void ProgramListItemWidget::detachFromCommand()
{
    if (m_command)
        m_command->detach(this);
    m_command = nullptr;
}

QString ProgramListItemWidget::actionText() const
{
    return m_actionBox ? m_actionBox->text() : QString();
}

QString ProgramListItemWidget::conditionsText() const
{
    return m_conditionBox ? m_conditionBox->text() : QString();
}

void ProgramListItemWidget::setMarker(RowDecoration::Marker marker)
{
    if (m_marker == marker)
        return;
    m_marker = marker;
    updateAccessibleDescription();
    update();
}

bool ProgramListItemWidget::hasBreakpoint() const
{
    return m_command && m_command->hasBreakpoint();
}

void ProgramListItemWidget::paintDecoration(QPainter &painter)
{
    // The marks of a run and the breakpoint go over everything else of the row.
    RowDecoration::paintMarker(painter, rect(), m_marker);
    RowDecoration::paintEdge(painter, rect(), hasBreakpoint(), m_marker);
}

void ProgramListItemWidget::mousePressEvent(QMouseEvent *event)
{
    // The left edge belongs to the breakpoint; elsewhere the press selects and drags the row.
    if (m_command && event->button() == Qt::LeftButton &&
        RowDecoration::onBreakpointEdge(event->position().toPoint())) {
        m_command->setBreakpoint(!m_command->hasBreakpoint());
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void ProgramListItemWidget::changeEvent(QEvent *event)
{
    QFrame::changeEvent(event);
    // Greyed out by the cycle check, or back.
    if (event->type() == QEvent::EnabledChange)
        updateAccessibleDescription();
}

void ProgramListItemWidget::subjectChanged(const QString &)
{
    // An undo step may have given the command another condition kind.
    selectCurrentKind();
    updateSummaries();
    updateAccessibleDescription();
    update();
    emit programListItemChanged();
}

QString ProgramListItemWidget::conditionIconName(int kind)
{
    switch (kind) {
    case 1:
        return QStringLiteral("cond_single.svg");
    case 2:
        return QStringLiteral("cond_dual.svg");
    case 3:
        return QStringLiteral("cond_counter.svg");
    case 4:
        return QStringLiteral("cond_cond_counter.svg");
    default:
        return QStringLiteral("cond_always.svg");
    }
}

QString ProgramListItemWidget::conditionKindName(int kind)
{
    switch (kind) {
    case 1:
        return QStringLiteral("single");
    case 2:
        return QStringLiteral("conditions");
    case 3:
        return QStringLiteral("counter");
    case 4:
        return QStringLiteral("conditioncounter");
    default:
        return QStringLiteral("always");
    }
}

void ProgramListItemWidget::emitChange()
{
    emit programListItemChanged();
}

void ProgramListItemWidget::SlotToClickComboBox()
{
    emit ClickOnComboBoxEvent(this);
}

void ProgramListItemWidget::setNewCurrentConditions()
{
    if (!m_command)
        return;
    const QString name = m_model->nameAt(m_chooser->currentIndex());
    const int kind = Command::conditionKindFromName(name);
    if (m_command->allowedConditions().contains(kind))
        emit conditionKindChosen(kind);
    // A kind the command does not allow leaves it as it was, and the chooser shows so.
    selectCurrentKind();
    emit changeConditions(m_item);
}

void ProgramListItemWidget::fillChooser()
{
    QList<ConditionComboBoxModel::Entry> entries;
    entries.append({conditionKindName(0), AppContext::instance().icon(conditionIconName(0))});
    for (int kind : m_command->allowedConditions()) {
        if (kind >= 1 && kind <= 4)
            entries.append(
                {conditionKindName(kind), AppContext::instance().icon(conditionIconName(kind))});
    }
    m_model->setEntries(entries);
}

void ProgramListItemWidget::selectCurrentKind()
{
    const int row = m_model->rowOfName(conditionKindName(m_command->conditionKind()));
    m_chooser->setCurrentIndex(row);
}

void ProgramListItemWidget::updateSummaries()
{
    if (!m_command)
        return;
    m_actionBox->setText(actionSummary(m_command->json()));
    m_conditionBox->setText(conditionsSummary(m_command->json()));
    updateAccessibleName();
}

void ProgramListItemWidget::updateAccessibleName()
{
    if (!m_item || !m_command)
        return;
    const QString type = m_command->json()
                             .value(QLatin1String("conditions"))
                             .toObject()
                             .value(QLatin1String("type"))
                             .toString();
    const bool always = type.isEmpty() || type == QLatin1String("always");
    const QString name = RowAccessibleText::name(m_command->toolTip(), m_actionBox->text(),
                                                 always ? QString() : m_conditionBox->text());
    if (m_item->data(Qt::AccessibleTextRole).toString() != name)
        m_item->setData(Qt::AccessibleTextRole, name);
}

void ProgramListItemWidget::updateAccessibleDescription()
{
    if (!m_item || !m_command)
        return;
    const QString description =
        RowAccessibleText::description(m_marker, hasBreakpoint(), isEnabled());
    if (m_item->data(Qt::AccessibleDescriptionRole).toString() != description)
        m_item->setData(Qt::AccessibleDescriptionRole, description);
}
