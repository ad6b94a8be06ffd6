#include "propertycontrols.h"

#include "appcontext.h"
#include "checkableroundlabel.h"
#include "clickableroundlabel.h"
#include "togglediconlabel.h"

#include <QIcon>
#include <QLabel>

namespace PropertyControls {

namespace {

QString textOrEmpty(const QString &key)
{
    return key.isEmpty() ? QString() : AppContext::instance().text(key);
}

int size(const QString &key, int defaultSize)
{
    return AppContext::instance().dimension(key, defaultSize);
}

} // namespace

QIcon stateIcon(const QString &stem, const QString &state)
{
    return AppContext::instance().icon(stem + QLatin1Char('_') + state + QStringLiteral(".svg"));
}

QLabel *caption(const QString &key, QWidget *parent, QWidget *control)
{
    auto *label = new QLabel(AppContext::instance().text(key), parent);
    // Set in from the panel's edge, as text is from the edge of a page.
    label->setStyleSheet(QStringLiteral("color: white; padding-left: %1px;")
                             .arg(size(QStringLiteral("PropertyCaptionIndent"), 8)));
    label->setWordWrap(true);
    label->setBuddy(control);
    return label;
}

ToggledIconLabel *toggle(const QString &stem, const QString &widthKey, const QString &heightKey,
                         int defaultSize, const QString &captionKey, const QString &hintKey,
                         QWidget *parent)
{
    return new ToggledIconLabel(
        stateIcon(stem, QStringLiteral("on")), stateIcon(stem, QStringLiteral("disable")),
        stateIcon(stem, QStringLiteral("off")), size(widthKey, defaultSize),
        size(heightKey, defaultSize), textOrEmpty(captionKey), textOrEmpty(hintKey), parent);
}

CheckableRoundLabel *checkable(const QString &stem, const QString &widthKey,
                               const QString &heightKey, int defaultSize, const QString &captionKey,
                               const QString &hintKey, QWidget *parent)
{
    auto *label = new CheckableRoundLabel(
        stateIcon(stem, QStringLiteral("on")), stateIcon(stem, QStringLiteral("disable")),
        stateIcon(stem, QStringLiteral("off")), size(widthKey, defaultSize),
        size(heightKey, defaultSize), textOrEmpty(captionKey), parent);
    label->setToolTip(textOrEmpty(hintKey));
    return label;
}

ClickableRoundLabel *clickable(const QString &stem, const QString &widthKey,
                               const QString &heightKey, int defaultSize, const QString &captionKey,
                               QWidget *parent)
{
    return new ClickableRoundLabel(
        stateIcon(stem, QStringLiteral("on")), stateIcon(stem, QStringLiteral("disable")),
        stateIcon(stem, QStringLiteral("off")), size(widthKey, defaultSize),
        size(heightKey, defaultSize), textOrEmpty(captionKey), parent);
}

} // namespace PropertyControls
