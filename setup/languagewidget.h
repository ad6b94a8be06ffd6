#pragma once

#include <QWidget>

class QListWidget;
class QPushButton;

// The window that chooses the interface language (which is also the kit): one entry per
// configuration folder. A new choice selects it in the language catalog and asks the main window
// to rebuild itself.
class LanguageWidget : public QWidget
{
    Q_OBJECT
public:
    explicit LanguageWidget(QWidget *parent = nullptr);

    QListWidget *list() const { return m_list; }
    QPushButton *saveButton() const { return m_saveButton; }

signals:
    // true: another language was selected; false: the window was left without a change.
    void LanguageChange(bool changed);

private slots:
    void SaveButtonClick();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QListWidget *m_list = nullptr;
    QPushButton *m_saveButton = nullptr;
    bool m_answered = false;
};
