#include "filedialog.h"

#include <QFileDialog>
#include <QLabel>

namespace FileDialog {

namespace {

QString ask(QWidget *parent, const QString &caption, const QString &start, const QString &filter,
            QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    tieCaptions(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

void tieCaptions(QFileDialog *dialog)
{
    // The object names of Qt's own dialog; the file name field has its caption already.
    static const std::pair<const char *, const char *> captions[] = {
        {"lookInLabel", "lookInCombo"}, {"fileTypeLabel", "fileTypeCombo"}};
    for (const auto &[labelName, controlName] : captions) {
        auto *label = dialog->findChild<QLabel *>(QLatin1String(labelName));
        auto *control = dialog->findChild<QWidget *>(QLatin1String(controlName));
        if (label && control && !label->buddy())
            label->setBuddy(control);
    }
}

QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                     const QString &filter)
{
    return ask(parent, caption, folder, filter, QFileDialog::AcceptOpen);
}

QString saveFileName(QWidget *parent, const QString &caption, const QString &start,
                     const QString &filter)
{
    return ask(parent, caption, start, filter, QFileDialog::AcceptSave);
}

} // namespace FileDialog
