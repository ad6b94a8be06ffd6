#pragma once

#include <QFrame>
#include <QJsonObject>
#include <QList>
#include <QPixmap>
#include <QPointer>

#include <functional>
#include <memory>

class Command;
class ProgramListWidget;
class ProgramSelection;
class ProgramStore;
class QPushButton;
class QStackedWidget;
class QUndoGroup;
class SubProgramTabWidget;
class TabStrip;

// The program area: the main program and up to five subprograms, one list each, chosen by a row
// of tabs. Edit requests of the shown list become undo steps on that list's own stack.
class CentralWidget : public QFrame
{
    Q_OBJECT
public:
    static constexpr int MaxPrograms = 6;

    explicit CentralWidget(QWidget *parent = nullptr);
    ~CentralWidget() override;

    // The program area of the running program, created on first use.
    static CentralWidget *instance();

    const QList<SubProgramTabWidget *> &tabs() const { return m_tabs; }
    const QList<ProgramListWidget *> &lists() const { return m_lists; }
    ProgramListWidget *currentList() const;
    // The selected command of the program shown; nullptr when no command row is selected.
    Command *currentCommand() const;
    int currentIndex() const;
    void showProgram(int index);
    QStackedWidget *pages() const { return m_pages; }
    QPushButton *addButton() const { return m_addButton; }
    TabStrip *tabStrip() const { return m_tabStrip; }

    // Takes the tab captions from the dictionary and renames the existing tabs.
    void retranslate();
    // Replaces every program by the programs of the store (commands unknown to the command menu
    // are dropped) and applies the store's configuration.
    void loadFromStore(const ProgramStore &store);
    // The commands of every list, main program first, BEGIN and END left out.
    QList<QList<Command *>> collectCommands() const;
    // The seam through which the rooms beside the area reach its selection.
    ProgramSelection *selection();
    // Where every list, present and to come, takes the conditions of a newly chosen kind from.
    void setConditionsForKind(std::function<QJsonObject(const Command &, int)> conditions);
    // The undo stacks of all lists; the shown list's is the active one.
    QUndoGroup *undoGroup() const { return m_undoGroup; }

signals:
    void programChanged();
    // The command of the shown list's current row, for the property panel; nullptr: none.
    void commandSelected(Command *command);
    // An undo step gave a command of any list new fields.
    void commandReplaced(Command *command);

public slots:
    void deleteTab(int idx, bool createEmpty);
    void createMainProgram(bool createEmpty);
    void AddWidgetProcessor(const QString &commandText, const QPixmap &image);
    void MoveWidgetEvent(int oldIndex, int newIndex, int mode);
    void AddDragDropCommandProcessor(const QString &commandText, const QPixmap &image,
                                     int insertIndex);
    // A command chosen in the command menu with the keyboard: added after the current row of the
    // shown program, as the same undo step a drop there makes.
    void insertChosenCommand(const QString &command);
    void addNewSubProgram(bool withRows);
    void addNewSubProgramClick();
    void programListWidgetChanged();
    void changeStatusSlot(const QJsonObject &json);
    void ClearProgramms(bool createEmpty);

private slots:
    void ChangeSubprogFrame(int index);
    void followShownList();

private:
    ProgramListWidget *createList();
    SubProgramTabWidget *createTab(int index, const QString &name);
    void removeProgram(int index);
    void selectTab(int index);
    QString refusalText() const;
    // Each list is named after its tab, for assistive technology.
    void nameLists();

    QList<SubProgramTabWidget *> m_tabs;
    QList<ProgramListWidget *> m_lists;
    std::shared_ptr<QList<QPointer<SubProgramTabWidget>>> m_group;
    QStackedWidget *m_pages = nullptr;
    TabStrip *m_tabStrip = nullptr;
    QPushButton *m_addButton = nullptr;
    QString m_mainLabel = QStringLiteral("P");
    QString m_subprogramLabel = QStringLiteral("SP");
    bool m_loading = false;
    ProgramSelection *m_selection = nullptr;
    QUndoGroup *m_undoGroup = nullptr;
    std::function<QJsonObject(const Command &, int)> m_conditionsForKind;
};
