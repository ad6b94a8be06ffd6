#include "sliderwithbuttons.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "clickableroundlabel.h"
#include "keyboardaccess.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

#include <cmath>
#include <limits>
#include <utility>

namespace {

// Typed digits are accumulated with a ceiling, so a long row of digits cannot overflow.
constexpr qint64 digitCeiling = std::numeric_limits<int>::max();

bool isSeparator(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char(',');
}

} // namespace

SliderWithButtons::SliderWithButtons(int minimum, int maximum, int step, int value, QWidget *parent)
    : RightMenuInputsWidget(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setMinimumHeight(40);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (parent)
        setMaximumWidth(parent->maximumWidth() / 100 * 60);

    AppContext &context = AppContext::instance();
    const int buttonWidth = context.dimension(QStringLiteral("SliderWidth"), 10);
    const int buttonHeight = context.dimension(QStringLiteral("SliderHeight"), 10);
    m_decrease = new ClickableRoundLabel(context.icon(QStringLiteral("decrease_on.svg")),
                                         context.icon(QStringLiteral("decrease_disable.svg")),
                                         context.icon(QStringLiteral("decrease_off.svg")),
                                         buttonWidth, buttonHeight, QString(), this);
    m_increase = new ClickableRoundLabel(context.icon(QStringLiteral("increase_on.svg")),
                                         context.icon(QStringLiteral("increase_disable.svg")),
                                         context.icon(QStringLiteral("increase_off.svg")),
                                         buttonWidth, buttonHeight, QString(), this);

    // The field and the slider do what the buttons do, with the keyboard.
    m_decrease->setFocusPolicy(Qt::NoFocus);
    m_increase->setFocusPolicy(Qt::NoFocus);

    m_lineEdit = new QLineEdit(QString::number(value), this);
    m_lineEdit->setAlignment(Qt::AlignCenter);
    m_lineEdit->installEventFilter(this);
    m_lastValidText = m_lineEdit->text();

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(minimum, maximum);
    m_slider->setSingleStep(step);
    m_slider->setMaximumHeight(30);
    m_slider->setValue(value);
    m_slider->setStyleSheet(QStringLiteral(
        "QSlider { height: 30px; }"
        "QSlider::groove:horizontal { height: 3px; background: cyan; border: none; }"
        "QSlider::handle:horizontal { background: white; border: 2px solid cyan; width: 10px;"
        " margin: -7px 0; border-radius: 7px; }"));
    m_slider->installEventFilter(this);

    auto *layout = new QGridLayout(this);
    layout->setSpacing(0);
    layout->addWidget(m_lineEdit, 0, 0, 1, 3);
    layout->addWidget(m_decrease, 0, 0, Qt::AlignLeft | Qt::AlignVCenter);
    layout->addWidget(m_increase, 0, 2, Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(m_slider, 1, 1);
    // The buttons sit on the field's ends and must be drawn above it.
    m_decrease->raise();
    m_increase->raise();

    connect(m_slider, &QSlider::actionTriggered, this, [this](int action) {
        // A drag is reported once, when the handle is released; every other action of the user
        // (a click on the groove, the arrow and page keys) is an edit of its own.
        if (action != QAbstractSlider::SliderMove && !m_slider->isSliderDown() &&
            m_slider->sliderPosition() != m_slider->value())
            m_userSliderAction = true;
    });
    connect(m_slider, &QSlider::valueChanged, this, [this](int value) {
        setLineInput(value);
        if (std::exchange(m_userSliderAction, false))
            emit changedData();
    });
    connect(m_slider, &QSlider::sliderReleased, this, &SliderWithButtons::emitChangedData);
    connect(m_lineEdit, &QLineEdit::textEdited, this, &SliderWithButtons::setValueFromLineEdit);
    connect(m_decrease, &ClickableRoundLabel::clicked, this, &SliderWithButtons::leftButtonCLicked);
    connect(m_increase, &ClickableRoundLabel::clicked, this,
            &SliderWithButtons::rightButtonCLicked);
}

void SliderWithButtons::setDecimal(bool decimal)
{
    if (decimal == m_decimal)
        return;
    const int current = m_slider->value();
    m_decimal = decimal;
    if (decimal) {
        m_minimum *= 10;
        m_maximum *= 10;
    } else {
        m_minimum /= 10;
        m_maximum /= 10;
    }
    {
        const QSignalBlocker blocker(m_slider);
        m_slider->setRange(m_minimum, m_maximum);
    }
    // The value keeps its meaning: 5 units become 50 tenths and back.
    setLineInput(decimal ? current * 10 : current / 10);
}

void SliderWithButtons::setAccessibleLabel(const QString &name, const QString &description)
{
    AccessibleText::setTexts(m_lineEdit, name, description);
    AccessibleText::setTexts(m_slider, name, description);
    AccessibleText::setTexts(m_decrease,
                             AccessibleText::format(QStringLiteral("DecreaseName")).arg(name));
    AccessibleText::setTexts(m_increase,
                             AccessibleText::format(QStringLiteral("IncreaseName")).arg(name));
}

QString SliderWithButtons::valueText() const
{
    QString text = m_lineEdit->text();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text;
}

void SliderWithButtons::setUnits(double units)
{
    const double scaled = m_decimal ? std::floor(units * 10.0 + 0.5) : std::trunc(units);
    int value = m_minimum;
    if (scaled >= m_maximum)
        value = m_maximum;
    else if (scaled > m_minimum) // false for NaN, which lands on the minimum
        value = static_cast<int>(scaled);
    setLineInput(value);
}

int SliderWithButtons::value() const
{
    return fieldValue();
}

QString SliderWithButtons::formatted(int value) const
{
    if (!m_decimal)
        return QString::number(value);
    const QString sign = value < 0 ? QStringLiteral("-") : QString();
    const int magnitude = std::abs(value);
    return sign + QString::number(magnitude / 10) + QLatin1Char('.') +
           QString::number(magnitude % 10);
}

int SliderWithButtons::fieldValue() const
{
    const QString text = m_lineEdit->text().trimmed();
    if (!m_decimal)
        return text.toInt();
    QString normalized = text;
    normalized.replace(QLatin1Char(','), QLatin1Char('.'));
    const double units = normalized.toDouble();
    // A tiny nudge keeps 1.9 from truncating to 18 tenths through binary rounding.
    return static_cast<int>(std::trunc(units * 10.0 + (units >= 0 ? 1e-6 : -1e-6)));
}

void SliderWithButtons::setLineInput(int value)
{
    value = qBound(m_minimum, value, m_maximum);
    m_slider->setValue(value);
    const QString text = formatted(value);
    m_lastValidText = text;
    if (m_lineEdit->text() != text)
        m_lineEdit->setText(text);
}

void SliderWithButtons::showValueOnSlider(int value)
{
    // The slider follows a typed value, but the field keeps the text as the user typed it.
    const QSignalBlocker blocker(m_slider);
    m_slider->setValue(value);
}

void SliderWithButtons::setValueFromLineEdit(QString text)
{
    if (text.isEmpty())
        return;

    qint64 number = 0;
    int separators = 0;
    int digitsAfterSeparator = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isDigit()) {
            if (separators > 0 && ++digitsAfterSeparator > 1) {
                text.truncate(i);
                m_lineEdit->setText(text);
                break;
            }
            number = qMin(number * 10 + c.digitValue(), digitCeiling);
        } else if (isSeparator(c)) {
            if (!m_decimal || separators > 0) {
                m_lineEdit->setText(m_lastValidText);
                return;
            }
            ++separators;
            if (i == text.size() - 1) {
                m_lastValidText = text;
                return;
            }
        } else {
            m_lineEdit->setText(m_lastValidText);
            emit changedData();
            return;
        }
    }

    m_lastValidText = text;
    qint64 value = number;
    if (m_decimal && separators == 0)
        value = qMin(number * 10, digitCeiling);
    if (value < m_minimum)
        setLineInput(m_minimum);
    else if (value > m_maximum)
        setLineInput(m_maximum);
    else
        showValueOnSlider(static_cast<int>(value));
    emit changedData();
}

void SliderWithButtons::leftButtonCLicked()
{
    const int value = fieldValue();
    if (value - 1 >= m_minimum) {
        setLineInput(value - 1);
        emit changedData();
    }
}

void SliderWithButtons::rightButtonCLicked()
{
    const int value = fieldValue();
    if (value + 1 <= m_maximum) {
        setLineInput(value + 1);
        emit changedData();
    }
}

void SliderWithButtons::emitChangedData()
{
    emit changedData();
}

bool SliderWithButtons::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_slider && event->type() == QEvent::Wheel) {
        // Not for the slider: ignored, the wheel event travels up and scrolls the panel.
        event->ignore();
        return true;
    }
    if (watched == m_lineEdit && KeyboardAccess::isHistoryShortcut(event))
        return true;
    if (watched == m_lineEdit && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Up) {
            rightButtonCLicked();
            return true;
        }
        if (key->modifiers() == Qt::NoModifier && key->key() == Qt::Key_Down) {
            leftButtonCLicked();
            return true;
        }
    }
    return RightMenuInputsWidget::eventFilter(watched, event);
}
