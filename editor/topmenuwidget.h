#pragma once

#include "topmenubutton.h"

#include <QFrame>
#include <QJsonObject>
#include <QList>

class QHBoxLayout;
class QLabelDragDrop;
class QMenu;

// The row of image buttons above the editor, one per top-menu entry of the hardware description.
// The main window connects the buttons by their command; the controller's state report enables
// the buttons that stand for controller actions, and a disabled one says why.
//
// The row fits whatever width the window gives it: the pictures shrink from their size in the
// description down to a least size ("TopMenuButtonLeastWidth"), and buttons that do not fit even
// then move, last first, into the menu of a "more" button at the end of the row. "Close" always
// stays. So another entry in base.json is all a new button needs.
class TopMenuWidget : public QFrame
{
    Q_OBJECT
public:
    explicit TopMenuWidget(QWidget *parent = nullptr);

    // The one top menu of the process, created on first use.
    static TopMenuWidget *instance();

    // Fills the row from the entries, in order; "Close" is pushed to the right end.
    void buildMenu(const QList<TopMenuButton> &entries);
    // Fills the row from the current hardware description.
    void buildMenu();
    // Takes every item out of the row and drops the buttons.
    void emptyMenu();

    const QList<QLabelDragDrop *> &buttons() const { return m_buttons; }
    // The button of a command, or nullptr.
    QLabelDragDrop *button(const QString &command) const;
    // The button that holds the buttons the row has no room for; hidden while all fit.
    QLabelDragDrop *moreButton() const { return m_more; }
    // The buttons in the more button's menu, in row order.
    QList<QLabelDragDrop *> overflowButtons() const;
    // The menu the more button opens (filled when it opens).
    QMenu *moreMenu() const { return m_moreMenu; }

    QSize minimumSizeHint() const override;

public slots:
    void changeStatus(QJsonObject state);
    // Opens the menu of the buttons the row has no room for.
    void showMoreMenu();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Sizes the pictures and hides what does not fit, for the present width.
    void fitButtons();
    QSize largestSize() const;
    QSize sizeForWidth(int width) const;

    QHBoxLayout *m_layout = nullptr;
    QList<QLabelDragDrop *> m_buttons;
    QLabelDragDrop *m_more = nullptr;
    QMenu *m_moreMenu = nullptr;
};
