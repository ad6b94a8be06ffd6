#include "keybutton.h"

#include "keyboardaccess.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

KeyButton::KeyButton(const QString &code, const QString &name, bool selecting, QWidget *parent)
    : QPushButton(parent)
    , m_code(code)
    , m_name(name)
    , m_black(name.isEmpty())
    , m_selecting(selecting)
{
    setProperty("isBlack", m_black);
    setMinimumWidth(10);
    setMinimumHeight(m_black ? 80 : 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::NoFocus);
    if (!m_black) {
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 4);
        layout->addStretch(1);
        m_nameLabel = new QLabel(m_name, this);
        m_nameLabel->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        m_nameLabel->setStyleSheet("color: black; font-size: 12px; background: transparent;");
        m_nameLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
        layout->addWidget(m_nameLabel);
    }
    updateLook();
}

void KeyButton::setKeySelected(bool selected)
{
    m_selected = selected;
    updateLook();
}

void KeyButton::mouseReleaseEvent(QMouseEvent *event)
{
    QPushButton::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        activate();
}

void KeyButton::keyPressEvent(QKeyEvent *event)
{
    if (KeyboardAccess::pressByKey(event, [this] { activate(); }))
        return;
    QPushButton::keyPressEvent(event);
}

void KeyButton::activate()
{
    if (m_selecting) {
        if (m_selected) {
            setKeySelected(false);
        } else {
            for (KeyButton *key : std::as_const(m_group))
                key->setKeySelected(false);
            setKeySelected(true);
            emit selected();
        }
    }
    emit keyClicked(m_code);
}

void KeyButton::updateLook()
{
    const QString background = m_selected
                                   ? QStringLiteral("#90ee90")
                                   : (m_black ? QStringLiteral("black") : QStringLiteral("white"));
    setStyleSheet(QStringLiteral("KeyButton { background-color: %1; border: 1px outset gray; "
                                 "border-radius: 2px; }")
                      .arg(background));
}
