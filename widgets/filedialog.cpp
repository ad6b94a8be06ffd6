#include "filedialog.h"

#include "appcontext.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTreeView>

namespace FileDialog {

namespace {

// Ties the captions of Qt's own dialog to the controls they name; nothing for a system dialog.
// The object names are those of Qt's own dialog; the file name field has its caption already.
void tieCaptions(QFileDialog *dialog)
{
    static const std::pair<const char *, const char *> captions[] = {
        {"lookInLabel", "lookInCombo"}, {"fileTypeLabel", "fileTypeCombo"}};
    for (const auto &[labelName, controlName] : captions) {
        auto *label = dialog->findChild<QLabel *>(QLatin1String(labelName));
        auto *control = dialog->findChild<QWidget *>(QLatin1String(controlName));
        if (label && control && !label->buddy())
            label->setBuddy(control);
    }
}

// Qt's own dialog opens small, with columns that cut the file types ("JSO…ent"): it gets room on
// the screen, and every column but the name the width of what it shows.
void giveRoom(QFileDialog *dialog)
{
    if (auto *details = dialog->findChild<QTreeView *>(QStringLiteral("treeView"))) {
        QHeaderView *header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    const QScreen *screen = dialog->screen();
    if (!screen)
        return;
    const AppContext &context = AppContext::instance();
    const QSize wanted(context.dimension(QStringLiteral("FileDialogWidth"), 900),
                       context.dimension(QStringLiteral("FileDialogHeight"), 560));
    dialog->resize(wanted.boundedTo(screen->availableGeometry().size() * 0.9));
}

QString ask(QWidget *parent, const QString &caption, const QString &start, const QString &filter,
            QFileDialog::AcceptMode mode, const QString &defaultSuffix = {})
{
    QFileDialog dialog(parent, caption, start, filter);
    dialog.setAcceptMode(mode);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    tieCaptions(&dialog);
    giveRoom(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                     const QString &filter)
{
    return ask(parent, caption, folder, filter, QFileDialog::AcceptOpen);
}

QString saveFileName(QWidget *parent, const QString &caption, const QString &start,
                     const QString &filter, const QString &defaultSuffix)
{
    return ask(parent, caption, start, filter, QFileDialog::AcceptSave, defaultSuffix);
}

} // namespace FileDialog
