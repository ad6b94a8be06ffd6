#include "addcommand.h"
#include "command.h"
#include "deletedqlistitemwidgetcommand.h"
#include "dragdropcommand.h"
#include "editorfixture.h"
#include "moveaboveitemcommand.h"
#include "movebelowitemcommand.h"
#include "moveonitemcommand.h"
#include "moveonviewportcommand.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"

#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>

#include <memory>

class tst_UndoCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void moves_data();
    void moves();
    void dropThenUndo_data();
    void dropThenUndo();
    void dropOfUnknownNameChangesNothing();
    void redoOfDropMakesFreshCommand();
    void deleteAndUndoRestoresSameCommand();
    void breakpointsTravelWithTheirCommand();
    void addCommandAppendsAndUndoRemoves();
    void undoOnEmptyStackDoesNothing();
    void moveConstructorsLog();

private:
    std::unique_ptr<ProgramListWidget> makeList(const QStringList &names);
    std::unique_ptr<EditorFixture> m_fixture;
};

void tst_UndoCommands::initTestCase()
{
    m_fixture = std::make_unique<EditorFixture>();
    // The messages checked here are debug lines, which a default run leaves out.
    QLoggingCategory::setFilterRules(
        QStringLiteral("taviro.*.debug=true\ntaviro.config.debug=false"));
}

void tst_UndoCommands::cleanupTestCase()
{
    m_fixture.reset();
}

std::unique_ptr<ProgramListWidget> tst_UndoCommands::makeList(const QStringList &names)
{
    auto list = std::make_unique<ProgramListWidget>();
    for (const QString &name : names)
        list->addRowByName(name);
    return list;
}

void tst_UndoCommands::moves_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("oldIndex");
    QTest::addColumn<int>("newIndex");
    QTest::addColumn<QStringList>("expected");
    // Rows: BEGIN, m_fwd (A), mPause (B), mSetleds (C), END.
    QTest::newRow("A below C") << 2 << 1 << 4
                               << QStringList{"BEGIN", "mPause", "mSetleds", "m_fwd", "END"};
    QTest::newRow("C above A") << 0 << 3 << 1
                               << QStringList{"BEGIN", "mSetleds", "m_fwd", "mPause", "END"};
    QTest::newRow("A on C") << 1 << 1 << 3
                            << QStringList{"BEGIN", "mPause", "m_fwd", "mSetleds", "END"};
    QTest::newRow("A on the empty area")
        << 3 << 1 << 4 << QStringList{"BEGIN", "mPause", "mSetleds", "m_fwd", "END"};
    QTest::newRow("before itself")
        << 0 << 2 << 2 << QStringList{"BEGIN", "m_fwd", "mPause", "mSetleds", "END"};
    QTest::newRow("before the next row")
        << 2 << 2 << 3 << QStringList{"BEGIN", "m_fwd", "mPause", "mSetleds", "END"};
}

void tst_UndoCommands::moves()
{
    QFETCH(int, mode);
    QFETCH(int, oldIndex);
    QFETCH(int, newIndex);
    QFETCH(QStringList, expected);
    auto list = makeList({"BEGIN", "m_fwd", "mPause", "mSetleds", "END"});
    const QStringList original = list->rowNames();
    Command *moved = list->commandAt(oldIndex);

    QUndoCommand *command = nullptr;
    switch (mode) {
    case 0:
        command = new MoveAboveItemCommand(list.get(), oldIndex, newIndex);
        break;
    case 1:
        command = new MoveOnItemCommand(list.get(), oldIndex, newIndex);
        break;
    case 2:
        command = new MoveBelowItemCommand(list.get(), oldIndex, newIndex);
        break;
    default:
        command = new MoveOnViewportCommand(list.get(), oldIndex, newIndex);
        break;
    }
    QSignalSpy changed(list.get(), &ProgramListWidget::programListChanged);
    list->undoStack()->push(command);
    QCOMPARE(list->rowNames(), expected);
    QCOMPARE(changed.count(), 1);
    // The row widget travels with its row.
    const int movedRow = int(list->rowNames().indexOf(moved->name()));
    QCOMPARE(list->rowWidget(movedRow)->command(), moved);

    list->undoStack()->undo();
    QCOMPARE(list->rowNames(), original);
    QCOMPARE(changed.count(), 2);
    list->undoStack()->redo();
    QCOMPARE(list->rowNames(), expected);
}

void tst_UndoCommands::dropThenUndo_data()
{
    QTest::addColumn<int>("insertIndex");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("on the second command")
        << 2 << QStringList{"BEGIN", "m_fwd", "mSetleds", "mPause", "END"};
    QTest::newRow("right after BEGIN")
        << 1 << QStringList{"BEGIN", "mSetleds", "m_fwd", "mPause", "END"};
    QTest::newRow("right before END")
        << 3 << QStringList{"BEGIN", "m_fwd", "mPause", "mSetleds", "END"};
}

void tst_UndoCommands::dropThenUndo()
{
    QFETCH(int, insertIndex);
    QFETCH(QStringList, expected);
    auto list = makeList({"BEGIN", "m_fwd", "mPause", "END"});
    const QStringList original = list->rowNames();
    QSignalSpy changed(list.get(), &ProgramListWidget::programListChanged);

    list->undoStack()->push(
        new DragDropCommand(list.get(), QStringLiteral("mSetleds"), QPixmap(), insertIndex));
    QCOMPARE(list->rowNames(), expected);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(list->currentRow(), insertIndex);

    list->undoStack()->undo();
    QCOMPARE(list->rowNames(), original);
    QCOMPARE(changed.count(), 2);
}

void tst_UndoCommands::dropOfUnknownNameChangesNothing()
{
    auto list = makeList({"BEGIN", "m_fwd", "END"});
    list->undoStack()->push(
        new DragDropCommand(list.get(), QStringLiteral("nothing"), QPixmap(), 1));
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "END"}));
    list->undoStack()->undo();
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "END"}));
}

void tst_UndoCommands::redoOfDropMakesFreshCommand()
{
    auto list = makeList({"BEGIN", "END"});
    list->undoStack()->push(new DragDropCommand(list.get(), QStringLiteral("m_fwd"), QPixmap(), 1));
    QJsonObject edited = list->commandAt(1)->json();
    QJsonObject action = edited["action"].toObject();
    action["speed"] = 77;
    edited["action"] = action;
    list->commandAt(1)->setJson(edited);
    list->undoStack()->undo();
    list->undoStack()->redo();
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "END"}));
    QVERIFY(list->commandAt(1)->json()["action"].toObject()["speed"].toInt() != 77);
}

void tst_UndoCommands::deleteAndUndoRestoresSameCommand()
{
    auto list = makeList({"BEGIN", "m_fwd", "mPause", "mSetleds", "END"});
    Command *command = list->commandAt(2);
    command->setJson(QJsonObject{
        {"conditions", QJsonObject{{"type", "always"}}},
        {"action",
         QJsonObject{{"command", "mPause"}, {"hour", 0}, {"minute", 1}, {"second", 5.5}}}});
    const QString summary = list->rowWidget(2)->actionText();
    QCOMPARE(summary, QStringLiteral("00:01:05.5"));
    const QJsonObject json = command->json();

    QSignalSpy changed(list.get(), &ProgramListWidget::programListChanged);
    list->undoStack()->push(
        new DeletedQListItemWidgetCommand(list.get(), 2, command, list->rowWidget(2)));
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "mSetleds", "END"}));
    QCOMPARE(changed.count(), 1);
    // The taken row no longer observes the command: an edit now reaches no list.
    QVERIFY(command->observers().isEmpty());

    list->undoStack()->undo();
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "mPause", "mSetleds", "END"}));
    QCOMPARE(list->commandAt(2), command);
    QCOMPARE(command->json(), json);
    QCOMPARE(list->rowWidget(2)->actionText(), summary);
    QCOMPARE(command->observers().size(), 1);
    QCOMPARE(changed.count(), 2);

    // Deleting again after the undo takes the restored row.
    list->undoStack()->redo();
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "mSetleds", "END"}));
    list->undoStack()->undo();
    QCOMPARE(list->commandAt(2), command);
}

void tst_UndoCommands::breakpointsTravelWithTheirCommand()
{
    auto list = makeList({"BEGIN", "m_fwd", "mPause", "mSetleds", "END"});
    list->commandAt(2)->setBreakpoint(true);
    auto marks = [&list] {
        QList<int> rows;
        for (int i = 0; i < list->count(); ++i) {
            if (list->rowWidget(i)->hasBreakpoint())
                rows.append(i);
        }
        return rows;
    };
    QUndoStack *stack = list->undoStack();
    stack->push(new MoveBelowItemCommand(list.get(), 2, 4));
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "mSetleds", "mPause", "END"}));
    QCOMPARE(marks(), QList<int>{3});
    stack->undo();
    QCOMPARE(marks(), QList<int>{2});
    stack->redo();
    QCOMPARE(marks(), QList<int>{3});

    // Deleted with its command; the undo brings both back.
    stack->push(
        new DeletedQListItemWidgetCommand(list.get(), 3, list->commandAt(3), list->rowWidget(3)));
    QCOMPARE(marks(), QList<int>());
    for (const Command *command : list->commands())
        QVERIFY(!command->documentJson().contains("breakpoint"));
    stack->undo();
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "mSetleds", "mPause", "END"}));
    QCOMPARE(marks(), QList<int>{3});
    stack->undo();
    QCOMPARE(marks(), QList<int>{2});
}

void tst_UndoCommands::addCommandAppendsAndUndoRemoves()
{
    auto list = makeList({"BEGIN", "END"});
    auto *add = new AddCommand(list.get(), QStringLiteral("mPause"), QPixmap());
    list->undoStack()->push(add);
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "END", "mPause"}));
    QCOMPARE(add->addedRow(), 2);
    list->undoStack()->undo();
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "END"}));
}

void tst_UndoCommands::undoOnEmptyStackDoesNothing()
{
    auto list = makeList({"BEGIN", "m_fwd", "END"});
    QSignalSpy changed(list.get(), &ProgramListWidget::programListChanged);
    list->undoStack()->undo();
    QCOMPARE(list->rowNames(), (QStringList{"BEGIN", "m_fwd", "END"}));
    QCOMPARE(changed.count(), 0);
}

void tst_UndoCommands::moveConstructorsLog()
{
    ProgramListWidget list;
    QTest::ignoreMessage(QtDebugMsg, "MoveAboveItemCommand ctor");
    MoveAboveItemCommand above(&list, 1, 2);
    QTest::ignoreMessage(QtDebugMsg, "MoveOnItemCommand ctor");
    MoveOnItemCommand on(&list, 1, 2);
    QTest::ignoreMessage(QtDebugMsg, "MoveBelowItemCommand ctor");
    MoveBelowItemCommand below(&list, 1, 2);
}

QTEST_MAIN(tst_UndoCommands)
#include "tst_undocommands.moc"
