#pragma once

#include <QComboBox>

// The condition chooser of a program row. A press first announces itself (so the list can select
// the row), and the wheel never changes the kind: scrolling the list must not edit programs.
class ProgramItemComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ProgramItemComboBox(QWidget *parent = nullptr);

signals:
    void click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
};
