#include "rightmenucombobox.h"

#include "sliderwithicons.h"

#include <QAbstractItemView>
#include <QScreen>

RightMenuComboBox::RightMenuComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setStyleSheet(QStringLiteral(
        "RightMenuComboBox { border: 2px solid cyan; border-radius: 8px; padding-left: 12px;"
        " background-color: white; color: black; combobox-popup: 0; }"
        "RightMenuComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top right;"
        " width: 10px; border: none; }"
        "RightMenuComboBox QAbstractItemView { background-color: white; color: black;"
        " selection-background-color: cyan; selection-color: black; }"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setMinimumHeight(30);
    setIconSize(QSize(30, 30));
    // A scrolling list rather than a menu the height of the screen, so the drawn bar shows.
    setMaxVisibleItems(8);

    QAbstractItemView *list = view();
    m_scrollBar = new SliderWithIcons(0, 100, 1, list);
    m_scrollBar->setLanguage();
    list->setVerticalScrollBar(m_scrollBar);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setContentsMargins(0, 1, 0, 1);
}

void RightMenuComboBox::showPopup()
{
    QComboBox::showPopup();
    QAbstractItemView *list = view();
    QWidget *popup = list->window();
    if (!popup || popup == window())
        return;
    // Everything beside the entries: the frame and, when it shows, the scroll bar.
    const int besides = popup->width() - list->viewport()->width();
    const int needed = list->sizeHintForColumn(0) + besides;
    if (popup->width() >= needed)
        return;
    QRect place = popup->geometry();
    place.setWidth(needed);
    // Wider to the right, unless the screen ends there.
    if (const QScreen *shown = popup->screen()) {
        const QRect screen = shown->availableGeometry();
        if (place.right() > screen.right())
            place.moveRight(screen.right());
        if (place.left() < screen.left())
            place.moveLeft(screen.left());
    }
    popup->setGeometry(place);
}
