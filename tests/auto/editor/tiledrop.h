#pragma once

// What a tile dragged from the command menu brings to a program list: the drag's mime text
// ("<command>,") entering, moving over and dropping on the row under the pointer.

#include "programlistwidget.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>

inline void dropTileOnRow(ProgramListWidget *list, const QString &command, int row)
{
    QMimeData mime;
    mime.setText(command + QLatin1Char(','));
    const QPoint position = list->visualItemRect(list->item(row)).center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(position, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &enter);
    QDragMoveEvent move(position, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &move);
    QDropEvent drop(position, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &drop);
}
