#include "rangesliderwithbuttons.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "clickableroundlabel.h"
#include "keyboardaccess.h"
#include "rangeslider.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>

RangeSliderWithButtons::RangeSliderWithButtons(int minimum, int maximum, int step, int lower,
                                               int upper, QWidget *parent)
    : RightMenuInputsWidget(parent)
    , m_minimum(qMin(minimum, maximum))
    , m_maximum(qMax(minimum, maximum))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMinimumHeight(40);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (parent)
        setMaximumWidth(parent->maximumWidth() / 100 * 60);

    AppContext &context = AppContext::instance();
    const int buttonWidth = context.dimension(QStringLiteral("RangeSliderWidth"), 20);
    const int buttonHeight = context.dimension(QStringLiteral("RangeSliderHeight"), 20);
    m_decreaseUpper = makeButton(QStringLiteral("decrease"), buttonWidth, buttonHeight);
    m_increaseUpper = makeButton(QStringLiteral("increase"), buttonWidth, buttonHeight);
    m_decreaseLower = makeButton(QStringLiteral("decrease"), buttonWidth, buttonHeight);
    m_increaseLower = makeButton(QStringLiteral("increase"), buttonWidth, buttonHeight);

    m_upperEdit = new QLineEdit(QString::number(upper), this);
    m_lowerEdit = new QLineEdit(QString::number(lower), this);
    for (QLineEdit *edit : {m_upperEdit, m_lowerEdit}) {
        edit->setAlignment(Qt::AlignCenter);
        edit->setContentsMargins(buttonWidth / 2, 0, buttonWidth / 2, 0);
        // Up and Down in a field step its value as the buttons do.
        edit->installEventFilter(this);
    }

    // The fields take the keyboard: the buttons and the two-handle slider are for the mouse.
    for (ClickableRoundLabel *button :
         {m_decreaseUpper, m_increaseUpper, m_decreaseLower, m_increaseLower})
        button->setFocusPolicy(Qt::NoFocus);

    m_slider = new RangeSlider(m_minimum, m_maximum, step, this);
    m_slider->setMaximumHeight(30);
    m_slider->installEventFilter(this);
    m_slider->setUpperValue(upper);
    m_slider->setLowerValue(lower);

    auto *layout = new QGridLayout(this);
    layout->setSpacing(0);
    layout->addWidget(m_upperEdit, 0, 0, 1, 3);
    layout->addWidget(m_decreaseUpper, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(m_increaseUpper, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_slider, 1, 1);
    layout->addWidget(m_lowerEdit, 2, 0, 1, 3);
    layout->addWidget(m_decreaseLower, 2, 0, Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(m_increaseLower, 2, 2, Qt::AlignRight | Qt::AlignVCenter);
    // The buttons sit on the fields' ends and must be drawn above them.
    for (ClickableRoundLabel *button :
         {m_decreaseUpper, m_increaseUpper, m_decreaseLower, m_increaseLower})
        button->raise();

    connect(m_upperEdit, &QLineEdit::textEdited, this,
            &RangeSliderWithButtons::setValueFromUpperLineEdit);
    connect(m_lowerEdit, &QLineEdit::textEdited, this,
            &RangeSliderWithButtons::setValueFromLowerLineEdit);
    connect(m_upperEdit, &QLineEdit::editingFinished, this,
            &RangeSliderWithButtons::checkAndRepair);
    connect(m_lowerEdit, &QLineEdit::editingFinished, this,
            &RangeSliderWithButtons::checkAndRepair);
    connect(m_slider, &RangeSlider::lowerValueChanged, this,
            &RangeSliderWithButtons::setLowerLineInput);
    connect(m_slider, &RangeSlider::upperValueChanged, this,
            &RangeSliderWithButtons::setUpperLineInput);
    connect(m_slider, &RangeSlider::sliderReleased, this, &RangeSliderWithButtons::emitChangedData);
    connect(m_decreaseUpper, &ClickableRoundLabel::clicked, this,
            &RangeSliderWithButtons::leftUpperButtonCLicked);
    connect(m_increaseUpper, &ClickableRoundLabel::clicked, this,
            &RangeSliderWithButtons::rightUpperButtonCLicked);
    connect(m_decreaseLower, &ClickableRoundLabel::clicked, this,
            &RangeSliderWithButtons::leftLowerButtonCLicked);
    connect(m_increaseLower, &ClickableRoundLabel::clicked, this,
            &RangeSliderWithButtons::rightLowerButtonCLicked);
}

ClickableRoundLabel *RangeSliderWithButtons::makeButton(const QString &stem, int width, int height)
{
    AppContext &context = AppContext::instance();
    return new ClickableRoundLabel(context.icon(stem + QStringLiteral("_on.svg")),
                                   context.icon(stem + QStringLiteral("_disable.svg")),
                                   context.icon(stem + QStringLiteral("_off.svg")), width, height,
                                   QString(), this);
}

int RangeSliderWithButtons::fieldInt(const QLineEdit *edit)
{
    return edit->text().trimmed().toInt();
}

void RangeSliderWithButtons::writeField(QLineEdit *edit, int value)
{
    const QString text = QString::number(value);
    if (edit->text() != text)
        edit->setText(text);
}

void RangeSliderWithButtons::setAccessibleLabel(const QString &name)
{
    const QString upper = AccessibleText::format(QStringLiteral("RangeUpperName")).arg(name);
    const QString lower = AccessibleText::format(QStringLiteral("RangeLowerName")).arg(name);
    AccessibleText::setTexts(m_upperEdit, upper);
    AccessibleText::setTexts(m_lowerEdit, lower);
    AccessibleText::setTexts(m_slider, name);
    const QString decrease = AccessibleText::format(QStringLiteral("DecreaseName"));
    const QString increase = AccessibleText::format(QStringLiteral("IncreaseName"));
    AccessibleText::setTexts(m_decreaseUpper, decrease.arg(upper));
    AccessibleText::setTexts(m_increaseUpper, increase.arg(upper));
    AccessibleText::setTexts(m_decreaseLower, decrease.arg(lower));
    AccessibleText::setTexts(m_increaseLower, increase.arg(lower));
}

void RangeSliderWithButtons::setValues(int lower, int upper)
{
    m_slider->setUpperValue(upper);
    m_slider->setLowerValue(lower);
}

QString RangeSliderWithButtons::lowerText() const
{
    return m_lowerEdit->text();
}

QString RangeSliderWithButtons::upperText() const
{
    return m_upperEdit->text();
}

void RangeSliderWithButtons::setUpperLineInput(int value)
{
    if (!m_typing)
        writeField(m_upperEdit, value);
}

void RangeSliderWithButtons::setLowerLineInput(int value)
{
    if (!m_typing)
        writeField(m_lowerEdit, value);
}

void RangeSliderWithButtons::setValueFromLowerLineEdit(QString text)
{
    int value = text.trimmed().toInt();
    if (value > m_maximum) {
        value = m_maximum;
        writeField(m_lowerEdit, value);
    }
    if (value <= m_slider->upperValue()) {
        m_typing = true;
        m_slider->setLowerValue(value);
        m_typing = false;
        emit changedData();
    }
}

void RangeSliderWithButtons::setValueFromUpperLineEdit(QString text)
{
    int value = text.trimmed().toInt();
    if (value > m_maximum) {
        value = m_maximum;
        writeField(m_upperEdit, value);
    }
    if (value >= m_slider->lowerValue()) {
        m_typing = true;
        m_slider->setUpperValue(value);
        m_typing = false;
        emit changedData();
    }
}

void RangeSliderWithButtons::leftLowerButtonCLicked()
{
    const int lower = fieldInt(m_lowerEdit);
    if (lower - 1 >= m_minimum) {
        m_slider->setLowerValue(lower - 1);
        emit changedData();
    }
}

void RangeSliderWithButtons::rightLowerButtonCLicked()
{
    const int lower = fieldInt(m_lowerEdit);
    const int upper = fieldInt(m_upperEdit);
    if (lower + 1 <= m_maximum && lower + 1 < upper) {
        m_slider->setLowerValue(lower + 1);
        emit changedData();
    }
}

void RangeSliderWithButtons::leftUpperButtonCLicked()
{
    const int lower = fieldInt(m_lowerEdit);
    const int upper = fieldInt(m_upperEdit);
    if (upper - 1 >= m_minimum && upper - 1 > lower) {
        m_slider->setUpperValue(upper - 1);
        emit changedData();
    }
}

void RangeSliderWithButtons::rightUpperButtonCLicked()
{
    const int upper = fieldInt(m_upperEdit);
    if (upper + 1 <= m_maximum) {
        m_slider->setUpperValue(upper + 1);
        emit changedData();
    }
}

void RangeSliderWithButtons::emitChangedData()
{
    emit changedData();
}

void RangeSliderWithButtons::checkAndRepair()
{
    const int first = qBound(m_minimum, fieldInt(m_lowerEdit), m_maximum);
    const int second = qBound(m_minimum, fieldInt(m_upperEdit), m_maximum);
    // The slider echoes both values into the fields, also when they are unchanged.
    m_slider->setUpperValue(qMax(first, second));
    m_slider->setLowerValue(qMin(first, second));
    emit changedData();
}

bool RangeSliderWithButtons::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_slider && event->type() == QEvent::Wheel) {
        event->ignore();
        return true;
    }
    if ((watched == m_upperEdit || watched == m_lowerEdit) &&
        KeyboardAccess::isHistoryShortcut(event))
        return true;
    const auto *key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent *>(event) : nullptr;
    if (key && key->modifiers() == Qt::NoModifier &&
        (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        const bool up = key->key() == Qt::Key_Up;
        if (watched == m_upperEdit) {
            up ? rightUpperButtonCLicked() : leftUpperButtonCLicked();
            return true;
        }
        if (watched == m_lowerEdit) {
            up ? rightLowerButtonCLicked() : leftLowerButtonCLicked();
            return true;
        }
    }
    return RightMenuInputsWidget::eventFilter(watched, event);
}
