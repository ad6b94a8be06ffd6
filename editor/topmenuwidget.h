#pragma once

#include "topmenubutton.h"

#include <QFrame>
#include <QJsonObject>
#include <QList>

class QHBoxLayout;
class QLabelDragDrop;

// The row of image buttons above the editor, one per top-menu entry of the hardware description.
// The main window connects the buttons by their command; the controller's state report enables
// the buttons that stand for controller actions.
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

public slots:
    void changeStatus(QJsonObject state);

private:
    QHBoxLayout *m_layout = nullptr;
    QList<QLabelDragDrop *> m_buttons;
};
