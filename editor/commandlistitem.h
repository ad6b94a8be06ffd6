#pragma once

#include <QListWidgetItem>
#include <QPointer>

#include <memory>

class Command;
class ProgramListItemWidget;

// One row of a program list. It owns the row's Command (none for BEGIN and END), so a row taken
// out of the list by an undo step keeps its command with all its settings.
class CommandListItem : public QListWidgetItem
{
public:
    explicit CommandListItem(Command *command, QListWidget *list = nullptr);
    ~CommandListItem() override;

    Command *command() const { return m_command.get(); }
    // Hands the command to the caller; the item then carries none.
    Command *takeCommand();

    ProgramListItemWidget *rowWidget() const { return m_rowWidget; }
    void setRowWidget(ProgramListItemWidget *widget);

    static constexpr int Type = QListWidgetItem::UserType + 1;

private:
    std::unique_ptr<Command> m_command;
    QPointer<ProgramListItemWidget> m_rowWidget;
};
