#include "programfiledrop.h"

#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

ProgramFileDrop::ProgramFileDrop(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    window->setAcceptDrops(true);
    qApp->installEventFilter(this);
}

QString ProgramFileDrop::programFileIn(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile())
                                         .suffix()
                                         .compare(QLatin1String("json"), Qt::CaseInsensitive) == 0)
            return url.toLocalFile();
    }
    return {};
}

bool ProgramFileDrop::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto *target = qobject_cast<QWidget *>(watched);
    if (!target || target->window() != m_window)
        return false;
    auto *drag = static_cast<QDropEvent *>(event);
    const QString path = programFileIn(drag->mimeData());
    if (path.isEmpty())
        return false;
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (type == QEvent::Drop) {
        // After the drag has ended: opening may ask a question first.
        QTimer::singleShot(0, this, [this, path] { emit dropped(path); });
    }
    return true;
}
