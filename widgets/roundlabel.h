#pragma once

#include <QIcon>
#include <QLabel>

// An image label of fixed size with a caption on top: the common look of the round buttons of the
// property editors and settings pages. The subclasses decide when the on or the off image shows;
// a disabled label shows its disabled image.
class RoundLabel : public QLabel
{
    Q_OBJECT
public:
    enum class Image
    {
        Off,
        On,
        Disabled
    };

    const QIcon &onIcon() const { return m_onIcon; }
    const QIcon &disabledIcon() const { return m_disabledIcon; }
    const QIcon &offIcon() const { return m_offIcon; }
    QString caption() const;
    void setCaption(const QString &caption);
    QLabel *captionLabel() const { return m_captionLabel; }

    // The image shown now.
    Image shownImage() const;

public slots:
    // What a click does. Space and Enter do the same while the label has the keyboard focus.
    virtual void activate() {}

protected:
    // textSizeKey names the dimension with the caption's font size in pixels.
    RoundLabel(const QIcon &on, const QIcon &disabled, const QIcon &off, int width, int height,
               const QString &caption, const QString &textSizeKey, QWidget *parent);

    void showImage(Image image);
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void refreshPixmap();

    QIcon m_onIcon;
    QIcon m_disabledIcon;
    QIcon m_offIcon;
    QSize m_size;
    QLabel *m_captionLabel = nullptr;
    Image m_image = Image::Off;
};

// An icon rendered to exactly the given size, whatever the image's own proportions.
QPixmap exactPixmap(const QIcon &icon, const QSize &size);
