#include "unsavedquestion.h"

#include <QMessageBox>

namespace UnsavedQuestion {

Answer ask(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Question, parent ? parent->window()->windowTitle() : QString(),
                    text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setObjectName(QStringLiteral("unsavedQuestion"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return Answer::Save;
    case QMessageBox::Discard:
        return Answer::Discard;
    default:
        return Answer::Cancel;
    }
}

} // namespace UnsavedQuestion
