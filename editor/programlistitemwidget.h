#pragma once

#include "observer.h"
#include "rowdecoration.h"

#include <QFrame>
#include <QIcon>

class Command;
class ConditionComboBoxModel;
class ProgramItemComboBox;
class QLabel;
class QListWidgetItem;
class QPainter;
class QSpacerItem;

// The widget shown in one program row: BEGIN, END, or a command with its picture, action summary,
// condition chooser and condition summary. A command row observes its Command so that every edit,
// wherever it comes from, refreshes the texts and reaches the list.
class ProgramListItemWidget : public QFrame, public Observer
{
    Q_OBJECT
public:
    enum class RowKind
    {
        Begin,
        End,
        Command
    };

    // A BEGIN or END row showing the given caption.
    ProgramListItemWidget(RowKind kind, const QString &caption, QListWidgetItem *item,
                          QWidget *parent = nullptr);
    // A command row named after the command, with the named image as its picture.
    ProgramListItemWidget(const QString &name, const QString &iconName, QListWidgetItem *item,
                          QWidget *parent = nullptr);
    ~ProgramListItemWidget() override;

    RowKind kind() const { return m_kind; }
    QListWidgetItem *listItem() const { return m_item; }

    // Attaches to the command and fills the row from it.
    void setCommand(Command *command);
    Command *command() const { return m_command; }
    // Stops observing the command (the row is going away or the command leaves the row).
    void detachFromCommand();

    QString actionText() const;
    QString conditionsText() const;
    ProgramItemComboBox *conditionChooser() const { return m_chooser; }
    ConditionComboBoxModel *conditionModel() const { return m_model; }

    // The controller runs this row now, or a paused run goes on with it.
    void setMarker(RowDecoration::Marker marker);
    RowDecoration::Marker marker() const { return m_marker; }
    bool isRunning() const { return m_marker == RowDecoration::Marker::Running; }
    bool hasBreakpoint() const;

    void subjectChanged(const QString &text) override;

    // Style rules of the rows, for the style sheet of the list that shows them.
    static QString styleRules();
    static QString conditionIconName(int kind);
    static QString conditionKindName(int kind);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

signals:
    void programListItemChanged();
    void changeConditions(QListWidgetItem *item);
    // The user chose another condition kind in the chooser; the list makes it an undo step.
    void conditionKindChosen(int kind);
    void ClickOnComboBoxEvent(ProgramListItemWidget *item);

public slots:
    void emitChange();
    void SlotToClickComboBox();
    void setNewCurrentConditions();

private:
    void paintPicture(QPainter &painter);
    void paintDecoration(QPainter &painter);
    void fillChooser();
    void selectCurrentKind();
    void updateSummaries();
    // The row's name and description for assistive technology live on its list item, which is
    // what a reader presents; the row widget itself is only drawn.
    void updateAccessibleName();
    void updateAccessibleDescription();

    RowKind m_kind;
    QListWidgetItem *m_item = nullptr;
    Command *m_command = nullptr;
    QLabel *m_actionBox = nullptr;
    QLabel *m_conditionBox = nullptr;
    QIcon m_picture;
    QSize m_pictureSize;
    QSpacerItem *m_picturePlace = nullptr;
    ProgramItemComboBox *m_chooser = nullptr;
    ConditionComboBoxModel *m_model = nullptr;
    RowDecoration::Marker m_marker = RowDecoration::Marker::None;
};
