#pragma once

#include <QString>

class QWidget;

// The file dialogs of the editor, as QFileDialog's static functions show them (the system's own
// dialog where it offers one). Qt's own dialog names its combo boxes only by their values on
// Linux, so its captions "Look in" and "Files of type" are tied to them here for screen readers.
namespace FileDialog {

// The chosen file to open, or an empty text when the user cancels.
QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                     const QString &filter);

// The chosen file to save to, or an empty text when the user cancels; the start may name a
// folder or a proposed file. A name typed without a suffix gets the default suffix, when one is
// given; the dialog then asks before it replaces a file of the completed name.
QString saveFileName(QWidget *parent, const QString &caption, const QString &start,
                     const QString &filter, const QString &defaultSuffix = {});

} // namespace FileDialog
