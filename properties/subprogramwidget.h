#pragma once

#include "rightmenuinputswidget.h"

#include <functional>

class RightMenuComboBox;

// Which subprogram a "call" command calls.
class SubProgramWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit SubProgramWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    // Where the number of subprograms of the program being edited comes from.
    void setSubprogramCounter(std::function<int()> counter) { m_counter = std::move(counter); }
    int subprogramCount() const;

    RightMenuComboBox *comboBox() const { return m_combo; }

    // What a document holds when no subprogram is chosen, in every language (the list shows the
    // dictionary's words for it).
    static QString notSetText();

private:
    RightMenuComboBox *m_combo = nullptr;
    std::function<int()> m_counter;
};
