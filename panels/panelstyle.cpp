#include "panelstyle.h"

#include "appcontext.h"

#include <QDockWidget>

namespace PanelStyle {

void apply(QDockWidget *panel, QWidget *content)
{
    const int textSize = AppContext::instance().dimension(QStringLiteral("SidePanelTextSize"), 13);
    panel->setStyleSheet(
        QStringLiteral(
            "QDockWidget { color: white; font-size: %1px; font-weight: bold; }"
            "QDockWidget::title { background: rgb(5, 46, 60); padding: 5px 8px;"
            " border-top: 2px solid cyan; border-top-left-radius: 8px; text-align: left; }"
            "QDockWidget::close-button { background: rgba(79, 221, 255, 255); border-radius: 4px;"
            " subcontrol-position: top right; subcontrol-origin: margin; right: 6px; top: 6px; }")
            .arg(textSize));
    content->setObjectName(QStringLiteral("SidePanelContent"));
    content->setAttribute(Qt::WA_StyledBackground);
    content->setStyleSheet(
        QStringLiteral(
            "#SidePanelContent { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
            " stop:0 rgba(5, 46, 60, 255), stop: 0.5 rgba(17, 80, 103, 255),"
            " stop:1 rgba(25, 104, 134, 255)); border-left: 2px solid cyan; }"
            "#SidePanelContent QLabel { color: white; font-size: %1px; font-weight: bold; }"
            "#SidePanelContent QPushButton, #SidePanelContent QToolButton {"
            " background-color: rgba(69, 192, 222, 255); color: white; font-size: %1px;"
            " font-weight: bold; border: none; border-radius: 8px; padding: 5px 10px; }"
            "#SidePanelContent QPushButton:hover, #SidePanelContent QToolButton:hover {"
            " background-color: rgba(79, 221, 255, 255); }"
            "#SidePanelContent QPushButton:pressed, #SidePanelContent QPushButton:checked,"
            " #SidePanelContent QToolButton:pressed { background-color: rgb(245, 124, 0); }"
            "#SidePanelContent QPushButton:disabled { background-color: rgb(144, 164, 174); }"
            "#SidePanelContent QToolButton::menu-indicator { image: none; width: 0px; }"
            "#SidePanelContent QComboBox { border: 2px solid cyan; border-radius: 8px;"
            " padding: 2px 8px; background-color: white; color: black; font-size: %1px; }"
            "#SidePanelContent QComboBox::drop-down { border: none; width: 14px; }"
            "#SidePanelContent QComboBox QAbstractItemView { background-color: white; color: black;"
            " selection-background-color: cyan; selection-color: black; }"
            "#SidePanelContent QToolButton[picture=true] { background: transparent; padding: 0px; }"
            "#SidePanelContent QToolButton[picture=true]:hover { background: rgba(255, 255, 255, "
            "40); }"
            "#SidePanelContent QMenu { background-color: white; color: black; font-size: %1px;"
            " border: 2px solid cyan; border-radius: 6px; padding: 4px; }"
            "#SidePanelContent QMenu::item { padding: 4px 12px; border-radius: 4px; }"
            "#SidePanelContent QMenu::item:selected { background-color: cyan; }"
            "#SidePanelContent QScrollArea { background: transparent; border: none; }"
            "#SidePanelContent QScrollBar:vertical { background: rgba(0, 0, 0, 60); width: 10px;"
            " border-radius: 5px; margin: 0px; }"
            "#SidePanelContent QScrollBar::handle:vertical { background: rgba(79, 221, 255, 255);"
            " border-radius: 5px; min-height: 24px; }"
            "#SidePanelContent QScrollBar::add-line:vertical, #SidePanelContent"
            " QScrollBar::sub-line:vertical { height: 0px; }")
            .arg(textSize));
}

QString tabBarStyle()
{
    const int textSize = AppContext::instance().dimension(QStringLiteral("SidePanelTextSize"), 13);
    return QStringLiteral(
               // The font on the bar itself: the bar measures its tabs with it.
               "QTabBar { background: rgb(5, 46, 60); font-size: %1px; font-weight: bold; }"
               "QTabBar::tab { background-color: rgba(69, 192, 222, 255); color: white;"
               " padding: 5px 12px; margin-right: 3px; border-top-left-radius: 8px;"
               " border-top-right-radius: 8px; }"
               "QTabBar::tab:selected { background-color: rgba(79, 221, 255, 255); }")
        .arg(textSize);
}

QIcon icon(const QString &stem, const QString &checkedStem)
{
    const ImageStore &images = AppContext::instance().imageStore();
    if (images.folderPath().isEmpty())
        return {}; // no language loaded yet: nothing to show
    const QString checked = checkedStem.isEmpty() ? stem : checkedStem;
    // Files, not pixmaps: each picture is drawn only when a button first shows it.
    QIcon result;
    result.addFile(images.filePath(stem + QStringLiteral("_off.svg")), {}, QIcon::Normal,
                   QIcon::Off);
    result.addFile(images.filePath(checked + QStringLiteral("_on.svg")), {}, QIcon::Normal,
                   QIcon::On);
    result.addFile(images.filePath(stem + QStringLiteral("_disable.svg")), {}, QIcon::Disabled,
                   QIcon::Off);
    result.addFile(images.filePath(checked + QStringLiteral("_disable.svg")), {}, QIcon::Disabled,
                   QIcon::On);
    return result;
}

} // namespace PanelStyle
