#include "pianokeybord.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "focusgrid.h"
#include "keybutton.h"

#include <QGridLayout>

namespace {
// Natural notes carry a name; the sharps are the black keys.
const char *const kNoteNameKeys[][2] = {
    {"C", "PianoDO"},   {"D", "PianoRE"}, {"E", "PianoMI"}, {"F", "PianoFA"},
    {"G", "PianoSALT"}, {"A", "PianoLA"}, {"B", "PianoSI"},
};
} // namespace

PianoKeybord::PianoKeybord(QWidget *parent, bool selecting)
    : RightMenuInputsWidget(parent)
    , m_codes{"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"}
    , m_selecting(selecting)
{
    for (const auto &entry : kNoteNameKeys)
        m_names.insert(QString::fromLatin1(entry[0]), AppContext::instance().text(entry[1]));

    auto *grid = new QGridLayout(this);
    grid->setSpacing(0);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setRowStretch(0, 2);

    QList<KeyButton *> group;
    QList<KeyButton *> blackKeys;
    int column = 0;
    QString lastWhite;
    for (const QString &code : std::as_const(m_codes)) {
        // No black key sits between E and F, so the columns skip one there.
        if (column == 5)
            ++column;
        auto *key = new KeyButton(code, m_names.value(code), m_selecting, this);
        // A black key is named after the white key left of it: C sharp, D sharp, ...
        if (key->isBlack())
            AccessibleText::setTexts(
                key, AccessibleText::format(QStringLiteral("PianoSharpName")).arg(lastWhite));
        else
            AccessibleText::setTexts(key, (lastWhite = m_names.value(code)));
        if (key->isBlack()) {
            grid->addWidget(key, 0, column, 1, 2, Qt::AlignTop);
            blackKeys.append(key);
        } else {
            grid->addWidget(key, 0, column, 1, 2);
        }
        m_keys.insert(code, key);
        group.append(key);
        connect(key, &KeyButton::keyClicked, this, &PianoKeybord::keyButtonClick);
        ++column;
    }
    for (int c = 0; c <= column; ++c)
        grid->setColumnStretch(c, 1);
    // Black keys overlap their white neighbours and must be drawn above both.
    for (KeyButton *key : std::as_const(blackKeys))
        key->raise();
    for (KeyButton *key : std::as_const(group))
        key->setGroup(group);
    // One stop for the whole keyboard; the arrows walk from key to key, Space plays one.
    auto *keys = new FocusGrid(int(group.size()), this);
    keys->setWidgets({group.cbegin(), group.cend()});
}

void PianoKeybord::setCurrentKey(const QString &code)
{
    m_current = code;
    KeyButton *chosen = m_keys.value(code);
    if (!chosen)
        return;
    for (KeyButton *key : std::as_const(m_keys))
        key->setKeySelected(m_selecting && key == chosen);
}

void PianoKeybord::keyButtonClick(QString code)
{
    m_current = code;
    emit keyClicked();
}
