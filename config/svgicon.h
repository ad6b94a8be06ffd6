#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QSize>

#include <memory>

// An icon drawn from SVG text held in memory. Unlike an icon made from a file name, it never reads
// the file again: the text is parsed once, and each size, mode and state is drawn once and kept
// for every copy of the icon (QIcon copies share their engine).
class SvgIconEngine : public QIconEngine
{
public:
    // The icon of the SVG text; a null icon when the text is not a drawable SVG picture.
    static QIcon icon(const QByteArray &svg);

    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    // The picture's own size, as its SVG root gives it: the shape every pixmap keeps.
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QString key() const override;
    QIconEngine *clone() const override;
    bool isNull() override;

private:
    struct Picture;
    explicit SvgIconEngine(std::shared_ptr<Picture> picture);

    std::shared_ptr<Picture> m_picture;
};
