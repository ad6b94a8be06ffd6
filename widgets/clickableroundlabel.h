#pragma once

#include "roundlabel.h"

// A round push button: the on image while held down, clicked() on release.
class ClickableRoundLabel : public RoundLabel
{
    Q_OBJECT
public:
    ClickableRoundLabel(const QIcon &on, const QIcon &disabled, const QIcon &off, int width,
                        int height, const QString &caption, QWidget *parent = nullptr);

public slots:
    void activate() override;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
