#include "roundlabel.h"

#include "appcontext.h"
#include "keyboardaccess.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>

QPixmap exactPixmap(const QIcon &icon, const QSize &size)
{
    if (size.isEmpty())
        return QPixmap();
    if (icon.isNull()) {
        QPixmap blank(size);
        blank.fill(Qt::transparent);
        return blank;
    }
    QPixmap pixmap = icon.pixmap(size);
    // Icons keep their aspect ratio and never grow beyond their own size; the controls want the
    // image stretched over exactly the size the description gives.
    if (pixmap.size() != size)
        pixmap = pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return pixmap;
}

RoundLabel::RoundLabel(const QIcon &on, const QIcon &disabled, const QIcon &off, int width,
                       int height, const QString &caption, const QString &textSizeKey,
                       QWidget *parent)
    : QLabel(parent)
    , m_onIcon(on)
    , m_disabledIcon(disabled)
    , m_offIcon(off)
    , m_size(width, height)
{
    setFixedSize(m_size);
    // Reached by Tab, not by a click: clicking a picture must not take the focus from a field.
    setFocusPolicy(Qt::TabFocus);
    refreshPixmap();

    m_captionLabel = new QLabel(this);
    m_captionLabel->setAlignment(Qt::AlignCenter);
    m_captionLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_textSize = AppContext::instance().dimension(textSizeKey, 7);
    setCaption(caption);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_captionLabel, 0, Qt::AlignCenter);
}

QString RoundLabel::caption() const
{
    return m_captionLabel->text();
}

void RoundLabel::setCaption(const QString &caption)
{
    m_captionLabel->setText(caption);
    m_captionLabel->setStyleSheet(
        QStringLiteral("background: transparent; color: black; font-weight: bold; font-size: %1px;")
            .arg(captionTextSize(caption, m_textSize, m_size.width(), m_captionLabel->font())));
}

int RoundLabel::captionTextSize(const QString &caption, int textSize, int width, QFont font)
{
    // The pictures are rings: a caption keeps to the inner part of the width, and one that is
    // too long there (a longer word of another language) is set smaller, down to a least size
    // that can still be read.
    constexpr int kLeastSize = 7;
    const int room = width * 3 / 4;
    font.setBold(true);
    int size = textSize;
    for (; size > kLeastSize; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(caption) <= room)
            break;
    }
    return size;
}

RoundLabel::Image RoundLabel::shownImage() const
{
    return isEnabled() ? m_image : Image::Disabled;
}

void RoundLabel::showImage(Image image)
{
    m_image = image;
    refreshPixmap();
}

void RoundLabel::refreshPixmap()
{
    const Image image = shownImage();
    const QIcon &icon = image == Image::On         ? m_onIcon
                        : image == Image::Disabled ? m_disabledIcon
                                                   : m_offIcon;
    setPixmap(exactPixmap(icon, m_size));
}

void RoundLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        refreshPixmap();
    QLabel::changeEvent(event);
}

void RoundLabel::keyPressEvent(QKeyEvent *event)
{
    if (KeyboardAccess::pressByKey(event, [this] { activate(); }))
        return;
    QLabel::keyPressEvent(event);
}

void RoundLabel::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event);
    // Drawn as is: the disabled image already looks disabled, the style must not grey it again.
    QPainter painter(this);
    painter.drawPixmap(0, 0, pixmap());
}
