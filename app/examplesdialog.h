#pragma once

#include "examplecatalog.h"

#include <QDialog>
#include <QList>

#include <optional>

class QPushButton;
class QListWidget;

// The example programs to start a lesson from, each with its title, what it does and the world
// of the virtual robot it is made for, on lines of their own. Enter or a double click opens the
// chosen one.
class ExamplesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ExamplesDialog(const QList<ExampleProgram> &examples, QWidget *parent = nullptr);

    QListWidget *list() const { return m_list; }
    QPushButton *openButton() const { return m_open; }
    // The example chosen when the dialog was accepted.
    std::optional<ExampleProgram> chosen() const;

private:
    QList<ExampleProgram> m_examples;
    QListWidget *m_list = nullptr;
    QPushButton *m_open = nullptr;
};
