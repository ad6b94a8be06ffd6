#pragma once

#include "roundlabel.h"

// A round check button: each press flips the checked flag and its image; clicked() on release.
class CheckableRoundLabel : public RoundLabel
{
    Q_OBJECT
public:
    CheckableRoundLabel(const QIcon &on, const QIcon &disabled, const QIcon &off, int width,
                        int height, const QString &caption, QWidget *parent = nullptr);

    bool isChecked() const { return m_checked; }
    // Sets the flag and the image without a signal (used when an editor loads a command).
    void setChecked(bool checked);

public slots:
    // Flips the flag and reports it, as a press and release of the mouse do.
    void activate() override;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_checked = false;
};
