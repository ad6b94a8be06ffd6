#pragma once

#include "rowdecoration.h"

#include <QFrame>
#include <QList>
#include <QPointer>

#include <memory>

class QLabel;
class QPushButton;
class ProgramListWidget;

// One tab of the program area. All tabs of an area share one group so that choosing a tab can
// draw every other tab unselected. With the keyboard focus, Space or Enter chooses the tab and
// Delete deletes a subprogram, as its delete button does.
class SubProgramTabWidget : public QFrame
{
    Q_OBJECT
public:
    using Group = QList<QPointer<SubProgramTabWidget>>;

    SubProgramTabWidget(int index, const QString &name, const QString &deleteHint,
                        const QString &refusalText, QWidget *parent = nullptr);

    int index() const { return m_index; }
    void setIndex(int index);
    QString name() const { return m_name; }
    void setName(const QString &name);
    QString caption() const;

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);
    bool isDeletable() const { return m_deletable; }
    void setDeletable(bool deletable);
    bool isNumbered() const { return m_numbered; }
    void setNumbered(bool numbered);

    std::shared_ptr<Group> group() const { return m_group; }
    void setGroup(std::shared_ptr<Group> group);

    // The list whose calls decide whether this subprogram may be deleted.
    void setMainProgramList(ProgramListWidget *list);

    // The program holds the row the controller runs now, or the one a paused run goes on with.
    void setMarker(RowDecoration::Marker marker);
    RowDecoration::Marker marker() const { return m_marker; }

    QString refusalText() const { return m_refusalText; }
    QPushButton *deleteButton() const { return m_deleteButton; }

signals:
    void selected(int index);
    void clicked();
    void deleted(int index, bool createEmpty);

public slots:
    void requestDelete();
    // Chooses this tab, as a click does.
    void activate();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateCaption();
    void updateStyle();
    qreal dotRadius() const;

    int m_index = 0;
    QString m_name;
    bool m_selected = false;
    bool m_deletable = true;
    bool m_numbered = true;
    QString m_refusalText;
    std::shared_ptr<Group> m_group;
    QPointer<ProgramListWidget> m_mainList;
    QLabel *m_caption = nullptr;
    QPushButton *m_deleteButton = nullptr;
    RowDecoration::Marker m_marker = RowDecoration::Marker::None;
};
