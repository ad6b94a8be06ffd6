#include "unsavedquestion.h"

#include "accessibletext.h"

#include <QMessageBox>
#include <QPushButton>

namespace UnsavedQuestion {

Answer ask(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Question, parent ? parent->window()->windowTitle() : QString(),
                    text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setObjectName(QStringLiteral("unsavedQuestion"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    // Qt's own word for it reads "reject" in some languages; this says what happens.
    const QString discard = AccessibleText::text(QStringLiteral("UnsavedDiscard"));
    if (!discard.isEmpty())
        box.button(QMessageBox::Discard)->setText(discard);
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
