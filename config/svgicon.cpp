#include "svgicon.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QSvgRenderer>

namespace {

// Pictures up to this many pixels stay with their icon for good: rows, tiles and buttons draw the
// same few sizes again and again. Larger ones (the board picture at the size of a window) go to
// Qt's pixmap cache, which forgets the least used when it fills up.
constexpr qint64 kKeptPixels = 256 * 256;

struct PixmapKey
{
    QSize size;
    QIcon::Mode mode;
    QIcon::State state;
    bool operator==(const PixmapKey &other) const = default;
};

size_t qHash(const PixmapKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.size.width(), key.size.height(), int(key.mode), int(key.state));
}

} // namespace

struct SvgIconEngine::Picture
{
    QSvgRenderer renderer;
    QSize naturalSize;
    QHash<PixmapKey, QPixmap> pixmaps;
    QString cacheKeyPrefix;
};

QIcon SvgIconEngine::icon(const QByteArray &svg)
{
    auto picture = std::make_shared<Picture>();
    if (!picture->renderer.load(svg) || !picture->renderer.isValid())
        return QIcon();
    picture->naturalSize = picture->renderer.defaultSize();
    if (picture->naturalSize.isEmpty())
        return QIcon();
    static quint64 serial = 0;
    picture->cacheKeyPrefix = QStringLiteral("taviro_svg_%1_").arg(++serial);
    return QIcon(new SvgIconEngine(std::move(picture)));
}

SvgIconEngine::SvgIconEngine(std::shared_ptr<Picture> picture)
    : m_picture(std::move(picture))
{}

QSize SvgIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    // Like Qt's own SVG icons: the picture's shape, scaled up or down to fit the size asked for.
    return m_picture->naturalSize.scaled(size, Qt::KeepAspectRatio);
}

QPixmap SvgIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    const QSize fitted = actualSize(size, mode, state);
    if (fitted.isEmpty())
        return QPixmap();
    const PixmapKey key{fitted, mode, state};
    const bool kept = qint64(fitted.width()) * fitted.height() <= kKeptPixels;
    const QString cacheKey = kept ? QString()
                                  : m_picture->cacheKeyPrefix + QStringLiteral("%1x%2_%3_%4")
                                                                    .arg(fitted.width())
                                                                    .arg(fitted.height())
                                                                    .arg(int(mode))
                                                                    .arg(int(state));
    QPixmap result;
    if (kept) {
        result = m_picture->pixmaps.value(key);
    } else {
        QPixmapCache::find(cacheKey, &result);
    }
    if (!result.isNull())
        return result;

    if (mode == QIcon::Normal) {
        QImage image(fitted, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        m_picture->renderer.render(&painter);
        painter.end();
        result = QPixmap::fromImage(std::move(image));
    } else {
        // The other modes (greyed when disabled, tinted when selected) are derived from the normal
        // picture by the application's style, as for any icon with one picture.
        result = QIcon(pixmap(fitted, QIcon::Normal, state)).pixmap(fitted, mode, state);
    }
    if (kept)
        m_picture->pixmaps.insert(key, result);
    else
        QPixmapCache::insert(cacheKey, result);
    return result;
}

void SvgIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
                          QIcon::State state)
{
    QSize pixmapSize = rect.size();
    if (painter->device())
        pixmapSize *= painter->device()->devicePixelRatio();
    painter->drawPixmap(rect, pixmap(pixmapSize, mode, state));
}

QList<QSize> SvgIconEngine::availableSizes(QIcon::Mode, QIcon::State)
{
    return {m_picture->naturalSize};
}

QString SvgIconEngine::key() const
{
    return QStringLiteral("taviro-svg");
}

QIconEngine *SvgIconEngine::clone() const
{
    // Nothing changes a picture once made, so a clone may share it, drawn pixmaps and all.
    return new SvgIconEngine(m_picture);
}

bool SvgIconEngine::isNull()
{
    return false;
}
