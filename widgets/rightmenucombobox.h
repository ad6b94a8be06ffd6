#pragma once

#include <QComboBox>

class SliderWithIcons;

// The combo box of the property editors and settings pages: rounded, with the drawn scroll bar
// in its list.
class RightMenuComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit RightMenuComboBox(QWidget *parent = nullptr);

    SliderWithIcons *listScrollBar() const { return m_scrollBar; }

    // The list opens at least as wide as its widest entry, its scroll bar beside it: a box
    // narrower than its entries does not cut them in the open list.
    void showPopup() override;

private:
    SliderWithIcons *m_scrollBar = nullptr;
};
