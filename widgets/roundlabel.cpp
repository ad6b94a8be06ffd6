#include "roundlabel.h"

#include "appcontext.h"
#include "keyboardaccess.h"

#include <QEvent>
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

    m_captionLabel = new QLabel(caption, this);
    m_captionLabel->setAlignment(Qt::AlignCenter);
    m_captionLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    const int textSize = AppContext::instance().dimension(textSizeKey, 7);
    m_captionLabel->setStyleSheet(
        QStringLiteral("background: transparent; color: black; font-weight: bold; font-size: %1px;")
            .arg(textSize));

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
