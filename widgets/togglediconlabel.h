#pragma once

#include "roundlabel.h"

#include <QList>

#include <memory>

// A round selection button. Grouped labels behave as radio buttons: selecting one deselects the
// others. A deselectable label can also be switched off by clicking it again.
class ToggledIconLabel : public RoundLabel
{
    Q_OBJECT
public:
    ToggledIconLabel(const QIcon &on, const QIcon &disabled, const QIcon &off, int width,
                     int height, const QString &caption, const QString &toolTip,
                     QWidget *parent = nullptr);
    ~ToggledIconLabel() override;

    // Merges both groups into one shared group.
    void groupWith(ToggledIconLabel *other);
    QList<ToggledIconLabel *> group() const { return *m_group; }

    void setDeselectable(bool deselectable) { m_deselectable = deselectable; }
    bool isDeselectable() const { return m_deselectable; }
    bool isSelected() const { return m_selected; }
    // Clears the flag and shows the off image without a signal.
    void setUnselected();
    // Selects this label (deselecting the group) without a signal, as when an editor loads.
    void setSelected();

public slots:
    // Selects (or deselects) as a click does, and reports it.
    void activate() override;

signals:
    void selected();
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    using Group = QList<ToggledIconLabel *>;
    bool m_selected = false;
    bool m_deselectable = false;
    std::shared_ptr<Group> m_group;
};
