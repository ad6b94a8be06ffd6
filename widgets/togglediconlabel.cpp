#include "togglediconlabel.h"

#include <QMouseEvent>

ToggledIconLabel::ToggledIconLabel(const QIcon &on, const QIcon &disabled, const QIcon &off,
                                   int width, int height, const QString &caption,
                                   const QString &toolTip, QWidget *parent)
    : RoundLabel(on, disabled, off, width, height, caption, QStringLiteral("ToggledTextSize"),
                 parent)
    , m_group(std::make_shared<Group>(Group{this}))
{
    setToolTip(toolTip);
}

ToggledIconLabel::~ToggledIconLabel()
{
    // The group outlives single labels when its members sit on different parents.
    m_group->removeAll(this);
}

void ToggledIconLabel::groupWith(ToggledIconLabel *other)
{
    if (!other || other->m_group == m_group)
        return;
    const std::shared_ptr<Group> merged = m_group;
    const Group joining = *other->m_group;
    for (ToggledIconLabel *label : joining) {
        if (!merged->contains(label))
            merged->append(label);
        label->m_group = merged;
    }
}

void ToggledIconLabel::setUnselected()
{
    m_selected = false;
    showImage(Image::Off);
}

void ToggledIconLabel::setSelected()
{
    for (ToggledIconLabel *label : std::as_const(*m_group))
        label->setUnselected();
    m_selected = true;
    showImage(Image::On);
}

void ToggledIconLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    activate();
}

void ToggledIconLabel::activate()
{
    if (m_deselectable && m_selected) {
        setUnselected();
        emit selected();
    } else {
        // Selecting an already selected label selects it again and tells the listeners again.
        setSelected();
        emit selected();
    }
    emit clicked();
    showImage(m_selected ? Image::On : Image::Off);
}
