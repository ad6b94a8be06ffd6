#include "topmenushortcuts.h"

#include <utility>

namespace TopMenuShortcuts {

namespace {

const QList<std::pair<QString, QList<QKeySequence>>> &table()
{
    static const QList<std::pair<QString, QList<QKeySequence>>> entries{
        {QStringLiteral("ReadFile"), {QKeySequence(Qt::CTRL | Qt::Key_O)}},
        {QStringLiteral("SaveFile"), {QKeySequence(Qt::CTRL | Qt::Key_S)}},
        {QStringLiteral("Clear"), {QKeySequence(Qt::CTRL | Qt::Key_N)}},
        {QStringLiteral("undo"), {QKeySequence(Qt::CTRL | Qt::Key_Z)}},
        {QStringLiteral("redo"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}},
        {QStringLiteral("runonrobot"), {QKeySequence(Qt::CTRL | Qt::Key_F5)}},
        {QStringLiteral("write"), {QKeySequence(Qt::CTRL | Qt::Key_W)}},
        {QStringLiteral("read"), {QKeySequence(Qt::CTRL | Qt::Key_R)}},
        {QStringLiteral("restart"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F5)}},
        {QStringLiteral("start"), {QKeySequence(Qt::Key_F5)}},
        {QStringLiteral("step"), {QKeySequence(Qt::Key_F10)}},
        // Esc stops from anywhere; Shift+F5 as in a debugger.
        {QStringLiteral("stop"),
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::SHIFT | Qt::Key_F5)}},
        // K as in "klass": Ctrl+Shift+C copies in terminals and some editors.
        {QStringLiteral("Class"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)}},
        {QStringLiteral("Settings"), {QKeySequence(Qt::CTRL | Qt::Key_Comma)}},
        {QStringLiteral("Close"), {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
    };
    return entries;
}

} // namespace

QStringList commands()
{
    QStringList result;
    for (const auto &[command, keys] : table())
        result.append(command);
    return result;
}

QList<QKeySequence> keys(const QString &command)
{
    for (const auto &[name, keys] : table()) {
        if (name == command)
            return keys;
    }
    return {};
}

} // namespace TopMenuShortcuts
