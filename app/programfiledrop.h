#pragma once

#include <QObject>
#include <QString>

class QMimeData;
class QWidget;

// Program files dropped on the window from a file manager. The program lists and the command
// menu take drags of their own (tiles and rows); a drag that carries a local .json file is taken
// here first, wherever in the window it arrives.
class ProgramFileDrop : public QObject
{
    Q_OBJECT
public:
    explicit ProgramFileDrop(QWidget *window);

    // The first local .json file a drag carries; empty when it carries none.
    static QString programFileIn(const QMimeData *data);

signals:
    void dropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
};
