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

private:
    SliderWithIcons *m_scrollBar = nullptr;
};
