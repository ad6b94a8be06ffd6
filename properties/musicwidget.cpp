#include "musicwidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "clickableroundlabel.h"
#include "command.h"
#include "focusgrid.h"
#include "pianokeybord.h"
#include "propertycontrols.h"
#include "propertyvalues.h"
#include "sliderwithbuttons.h"
#include "sliderwithicons.h"
#include "togglediconlabel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {
// Lengths of the buttons pianobeat70 ... pianobeat77, in the controller's melody units.
constexpr int kLengths[] = {16, 8, 4, 2, 1, 12, 6, 3};
} // namespace

MusicWidget::MusicWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    m_keyboard = new PianoKeybord(this, false);
    m_octave = new SliderWithButtons(0, 5, 1, 3, this);
    m_tempo = new SliderWithButtons(30, 200, 1, 60, this);
    m_octave->setAccessibleLabel(AccessibleText::text(QStringLiteral("PianoOctave")));
    m_tempo->setAccessibleLabel(AccessibleText::text(QStringLiteral("PianoTemp")));

    auto *sliders = new QGridLayout;
    sliders->setContentsMargins(0, 0, 0, 0);
    sliders->setColumnStretch(1, 1);
    sliders->addWidget(PropertyControls::caption(QStringLiteral("PianoOctave"), this), 0, 0);
    sliders->addWidget(m_octave, 0, 1);
    sliders->addWidget(PropertyControls::caption(QStringLiteral("PianoTemp"), this), 1, 0);
    sliders->addWidget(m_tempo, 1, 1);

    // Note lengths in a two-column grid: 70 71 / 72 73 / 74 75 / 76 77.
    auto *lengths = new QGridLayout;
    lengths->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 8; ++i) {
        const QString number = QString::number(70 + i);
        ToggledIconLabel *button = PropertyControls::toggle(
            QStringLiteral("pianobeat") + number, QStringLiteral("PianoIconWidth"),
            QStringLiteral("PianoIconHeight"), 40, QString(),
            QStringLiteral("PianoBeat%1Hint").arg(number), this);
        if (!m_lengths.isEmpty())
            m_lengths.first()->groupWith(button);
        m_lengths.append(button);
        lengths->addWidget(button, i / 2, i % 2);
    }
    m_lengths.first()->setSelected();
    auto *lengthKeys = new FocusGrid(2, this);
    lengthKeys->setWidgets({m_lengths.cbegin(), m_lengths.cend()});
    for (ToggledIconLabel *button : std::as_const(m_lengths))
        connect(button, &ToggledIconLabel::selected, lengthKeys,
                [lengthKeys, button] { lengthKeys->setTabStop(button); });

    m_pause = PropertyControls::clickable(
        QStringLiteral("pianopause"), QStringLiteral("PianoPauseWidth"),
        QStringLiteral("PianoPauseHeight"), 45, QStringLiteral("PianoPause"), this);
    m_delete = PropertyControls::clickable(
        QStringLiteral("pianodelete"), QStringLiteral("PianoDeleteWidth"),
        QStringLiteral("PianoDeleteHeight"), 45, QStringLiteral("PianoDelete"), this);
    m_pause->setMaximumWidth(120);
    m_delete->setMaximumWidth(120);
    auto *edit = new QVBoxLayout;
    edit->addStretch(1);
    edit->addWidget(m_pause, 0, Qt::AlignHCenter);
    edit->addSpacing(12);
    edit->addWidget(m_delete, 0, Qt::AlignHCenter);
    edit->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 8, 0, 8);
    buttons->addLayout(lengths);
    buttons->addStretch(1);
    buttons->addLayout(edit);
    buttons->addStretch(1);

    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->installEventFilter(this);
    AccessibleText::set(m_list, QStringLiteral("MelodyListName"), QStringLiteral("MelodyListHint"));
    const QString deleteHint = AccessibleText::text(QStringLiteral("PianoDeleteHint"));
    m_delete->setToolTip(AccessibleText::withShortcut(deleteHint, QKeySequence::Delete));
    AccessibleText::setTexts(m_delete, m_delete->caption(), deleteHint);
    m_list->setMinimumHeight(200);
    m_list->setMaximumHeight(600);
    m_list->setStyleSheet(QStringLiteral(
        "QListWidget { background: transparent; border: none; color: white; }"
        "QListWidget::item { color: white; border: 3px solid cyan; border-radius: 12px;"
        " margin: 2px; padding: 4px; }"
        "QListWidget::item:selected { background: rgba(0, 255, 255, 80); }"));
    m_scrollBar = new SliderWithIcons(0, 300, 1, m_list);
    m_scrollBar->setLanguage();
    m_list->setVerticalScrollBar(m_scrollBar);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_keyboard);
    layout->addLayout(sliders);
    layout->addLayout(buttons);
    layout->addWidget(m_list);

    connect(m_keyboard, &PianoKeybord::keyClicked, this, &MusicWidget::addNote);
    connect(m_octave, &SliderWithButtons::changedData, this, &MusicWidget::changeCommandData);
    connect(m_tempo, &SliderWithButtons::changedData, this, &MusicWidget::changeCommandData);
    connect(m_pause, &ClickableRoundLabel::clicked, this, &MusicWidget::addPause);
    connect(m_delete, &ClickableRoundLabel::clicked, this, &MusicWidget::delNote);
}

int MusicWidget::selectedLength() const
{
    for (int i = 0; i < m_lengths.size(); ++i) {
        if (m_lengths.at(i)->isSelected())
            return kLengths[i];
    }
    return kLengths[0];
}

void MusicWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    m_list->clear();
    if (!command)
        return;
    const QJsonObject action = command->json().value(QStringLiteral("action")).toObject();
    m_tempo->setLineInput(PropertyValues::readInt(action.value(QStringLiteral("tempo"))));
    // The built-in default holds the text "[]" here, which reads as an empty melody.
    const QJsonArray sounds = action.value(QStringLiteral("sounds")).toArray();
    for (const QJsonValue &value : sounds) {
        const QJsonObject sound = value.toObject();
        const QString note = sound.value(QStringLiteral("note")).toString();
        const QString length =
            QString::number(PropertyValues::readInt(sound.value(QStringLiteral("length"))));
        if (note == QLatin1String("0")) {
            m_list->addItem(QStringLiteral("0 ") + length);
        } else {
            const QString octave =
                QString::number(PropertyValues::readInt(sound.value(QStringLiteral("octave"))));
            m_list->addItem(note + QLatin1Char(' ') + octave + QLatin1Char(' ') + length);
        }
    }
    for (int row = 0; row < m_list->count(); ++row)
        m_list->item(row)->setTextAlignment(Qt::AlignCenter);
}

QJsonObject MusicWidget::toJson()
{
    QJsonArray sounds;
    for (int row = 0; row < m_list->count(); ++row) {
        const QStringList parts = m_list->item(row)->text().split(QLatin1Char(' '));
        QJsonObject sound{{QStringLiteral("note"), parts.value(0)}};
        if (parts.value(0) == QLatin1String("0")) {
            sound.insert(QStringLiteral("length"), parts.value(1));
        } else {
            sound.insert(QStringLiteral("octave"), parts.value(1));
            sound.insert(QStringLiteral("length"), parts.value(2));
        }
        sounds.append(sound);
    }
    return {{QStringLiteral("tempo"), m_tempo->valueText().toInt()},
            {QStringLiteral("sounds"), sounds}};
}

void MusicWidget::addNote()
{
    auto *item =
        new QListWidgetItem(m_keyboard->currentKey() + QLatin1Char(' ') + m_octave->valueText() +
                            QLatin1Char(' ') + QString::number(selectedLength()));
    item->setTextAlignment(Qt::AlignCenter);
    m_list->addItem(item);
    m_list->scrollToBottom();
    emit stateChanged();
}

void MusicWidget::addPause()
{
    auto *item = new QListWidgetItem(QStringLiteral("0 ") + QString::number(selectedLength()));
    item->setTextAlignment(Qt::AlignCenter);
    m_list->addItem(item);
    m_list->scrollToBottom();
    emit stateChanged();
}

bool MusicWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            delNote();
            return true;
        }
    }
    return RightMenuInputsWidget::eventFilter(watched, event);
}

void MusicWidget::delNote()
{
    if (m_list->count() == 0)
        return;
    const int row = m_list->currentRow() >= 0 ? m_list->currentRow() : m_list->count() - 1;
    delete m_list->takeItem(row);
    emit stateChanged();
}
