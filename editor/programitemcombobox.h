#pragma once

#include <QComboBox>

// The condition chooser of a program row. A press first announces itself (so the list can select
// the row), and the wheel never changes the kind: scrolling the list must not edit programs.
class ProgramItemComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit ProgramItemComboBox(QWidget *parent = nullptr);

    // The size of the icons shown. Unlike QComboBox::setIconSize this does not build the popup
    // list at once: a program holds hundreds of choosers, and few of them are ever opened.
    void setChooserIconSize(const QSize &size);
    QSize chooserIconSize() const { return m_iconSize; }

    void showPopup() override;

signals:
    void click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QSize m_iconSize;
    bool m_popupBuilt = false;
};
