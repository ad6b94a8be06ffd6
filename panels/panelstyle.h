#pragma once

#include <QIcon>
#include <QString>

class QDockWidget;
class QWidget;

// The look the side panels share with the editor: its blue gradient, white captions, cyan
// frames and the rounded light-blue buttons of the program area.
namespace PanelStyle {

// Styles a side panel and the content it shows, with the text size of the dimensions.
void apply(QDockWidget *panel, QWidget *content);

// The tabs of panels stacked on one another, like the program area's tabs.
QString tabBarStyle();

// A button's picture from the image store: the resting picture of a stem, the highlighted
// picture of the checked stem (the same one unless given) and the greyed one when disabled.
QIcon icon(const QString &stem, const QString &checkedStem = QString());

} // namespace PanelStyle
