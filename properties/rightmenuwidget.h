#pragma once

#include <QJsonObject>
#include <QPointer>
#include <QScrollArea>

#include <functional>

class Command;
class ConditionWidget;
class InputsWidget;
class ProgramSelection;
class QFrame;
class QVBoxLayout;
class SliderWithIcons;

// The property panel on the right of the main window: the condition editor of the selected
// command above the editors its kind needs, and the run button. Every change is written straight
// back into the command.
class RightMenuWidget : public QScrollArea
{
    Q_OBJECT
public:
    // The panel of the main window, created on first use.
    static RightMenuWidget *instance();

    explicit RightMenuWidget(QWidget *parent = nullptr);

    // Builds fresh editors (with the texts and sizes of the current configuration) and hides them.
    void clear();
    void setCommand(Command *command);
    // Hides the editors and lets go of the command until the next setCommand.
    void hideEditors();
    void reload();
    QJsonObject commandJson();

    Command *command() const { return m_command; }
    bool isActive() const { return m_active; }
    ConditionWidget *conditionWidget() const { return m_conditionWidget; }
    InputsWidget *inputsWidget() const { return m_inputsWidget; }
    SliderWithIcons *scrollBar() const { return m_scrollBar; }

    // Where the subprogram editor learns how many subprograms the edited program has.
    void setSubprogramCounter(std::function<int()> counter);

    // Follows the program area's selection: the selected row's command, its fields replaced by
    // undo, and the number of subprograms. Every change made here becomes an undo step of the
    // selected row's program. Connecting again adds nothing twice.
    void connectToEditor(ProgramSelection *selection);

    // The conditions the condition editor shows for a command once it has another kind.
    static QJsonObject conditionsForKind(const Command &command, int kind);

signals:
    // The run button was clicked: execute the selected command on the controller.
    void runClicked();

public slots:
    // Shows the command of the selected row, or hides the editors when there is none.
    void showCommand(Command *command);
    // Loads the command again when it is the one shown: its fields were replaced elsewhere.
    void reloadCommand(Command *command);
    void changeCommandData();
    void updateStatusManual(QJsonObject json);
    // Renews texts, images and sizes after the configuration (language) changed.
    void renewTexts();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    static int leastWidth();
    void hideContent();
    // Keeps the run button under the scrolling editors, always in sight.
    void placeRunFrame();

    QFrame *m_frame = nullptr;
    QVBoxLayout *m_layout = nullptr;
    Command *m_command = nullptr;
    bool m_active = false;
    bool m_runEnabled = true;
    QString m_runReason;
    ConditionWidget *m_conditionWidget = nullptr;
    InputsWidget *m_inputsWidget = nullptr;
    QPointer<QFrame> m_runFrame;
    SliderWithIcons *m_scrollBar = nullptr;
    std::function<int()> m_subprogramCounter;
    QPointer<ProgramSelection> m_selection;
    // What the editors showed after the last load or change: an edit is what differs from it.
    QJsonObject m_shownJson;
    // Counts the loads: edits merge only within one showing of a command.
    int m_showing = 0;
    // True while this panel's own edit is applied, which needs no reload of the editors.
    bool m_applying = false;
};
