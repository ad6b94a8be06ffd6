#include "command.h"
#include "conditioncomboboxmodel.h"
#include "editorfixture.h"
#include "programitemcombobox.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"

#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <memory>

Q_DECLARE_METATYPE(Command *)

class tst_ProgramList : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void insertIndexForDrop_data();
    void insertIndexForDrop();
    void moveTargetIndex_data();
    void moveTargetIndex();
    void textDropEmitsInsertIndex_data();
    void textDropEmitsInsertIndex();
    void unknownNameAddsNothing();
    void checkCycles_data();
    void checkCycles();
    void markRunningRow_data();
    void markRunningRow();
    void breakpointEdge_data();
    void breakpointEdge();
    void breakpointOfSelection();
    void callsAndRenumbering();
    void chooserEntriesFollowAllowedConditions();
    void choosingDisallowedKindKeepsKind();
    void wheelOnChooserChangesNothing();
    void commandChangeRefreshesRowAndList();
    void selectionAnnouncesCommand();
    void rowsKeepTheirWidthWhenTheScrollBarComes();

private:
    std::unique_ptr<ProgramListWidget> makeList(const QStringList &names);
    std::unique_ptr<EditorFixture> m_fixture;
};

void tst_ProgramList::initTestCase()
{
    qRegisterMetaType<Command *>();
    qRegisterMetaType<QListWidgetItem *>();
    m_fixture = std::make_unique<EditorFixture>();
}

void tst_ProgramList::cleanupTestCase()
{
    m_fixture.reset();
}

std::unique_ptr<ProgramListWidget> tst_ProgramList::makeList(const QStringList &names)
{
    auto list = std::make_unique<ProgramListWidget>();
    for (const QString &name : names)
        list->addRowByName(name);
    return list;
}

void tst_ProgramList::insertIndexForDrop_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected");
    QTest::newRow("on BEGIN") << 0 << 4 << 1;
    QTest::newRow("on a command") << 2 << 4 << 2;
    QTest::newRow("on END") << 3 << 4 << 3;
    QTest::newRow("below the rows") << -1 << 4 << 3;
    QTest::newRow("empty list") << -1 << 0 << 0;
}

void tst_ProgramList::insertIndexForDrop()
{
    QFETCH(int, row);
    QFETCH(int, count);
    QFETCH(int, expected);
    QCOMPARE(ProgramListWidget::insertIndexForDrop(row, count), expected);
}

void tst_ProgramList::moveTargetIndex_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("expected");
    // Rows: BEGIN, A, B, C, END.
    QTest::newRow("above BEGIN") << 0 << 0 << 5 << 1;
    QTest::newRow("above B") << 0 << 2 << 5 << 2;
    QTest::newRow("on BEGIN") << 1 << 0 << 5 << 1;
    QTest::newRow("on C") << 1 << 3 << 5 << 3;
    QTest::newRow("below BEGIN") << 2 << 0 << 5 << 1;
    QTest::newRow("below C") << 2 << 3 << 5 << 4;
    QTest::newRow("below END") << 2 << 4 << 5 << 4;
    QTest::newRow("viewport") << 3 << -1 << 5 << 4;
}

void tst_ProgramList::moveTargetIndex()
{
    QFETCH(int, mode);
    QFETCH(int, row);
    QFETCH(int, count);
    QFETCH(int, expected);
    QCOMPARE(ProgramListWidget::moveTargetIndex(ProgramListWidget::MoveMode(mode), row, count),
             expected);
}

void tst_ProgramList::textDropEmitsInsertIndex_data()
{
    QTest::addColumn<int>("targetRow");
    QTest::addColumn<int>("expected");
    QTest::newRow("BEGIN") << 0 << 1;
    QTest::newRow("second command") << 2 << 2;
    QTest::newRow("END") << 3 << 3;
    QTest::newRow("empty area") << -1 << 3;
}

void tst_ProgramList::textDropEmitsInsertIndex()
{
    QFETCH(int, targetRow);
    QFETCH(int, expected);
    auto list = makeList({"BEGIN", "m_fwd", "mPause", "END"});
    list->resize(400, 600);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list.get()));

    QPoint position(50, list->viewport()->height() - 2);
    if (targetRow >= 0)
        position = list->visualItemRect(list->item(targetRow)).center();
    QSignalSpy spy(list.get(), &ProgramListWidget::AddDragDropWidget);
    QMimeData mime;
    mime.setText(QStringLiteral("mSetleds,"));
    // A drop reaches the widget that accepted the drag's entry, as in a real drag.
    QDragEnterEvent enter(position, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(position, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &move);
    QVERIFY(move.isAccepted());
    QDropEvent drop(position, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(list->viewport(), &drop);

    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("mSetleds"));
    QVERIFY(spy.at(0).at(1).value<QPixmap>().isNull());
    QCOMPARE(spy.at(0).at(2).toInt(), expected);
}

void tst_ProgramList::unknownNameAddsNothing()
{
    auto list = makeList({"BEGIN", "END"});
    QSignalSpy changed(list.get(), &ProgramListWidget::programListChanged);
    QVERIFY(!list->addRowByName(QStringLiteral("noSuchCommand")));
    QCOMPARE(list->count(), 2);
    QCOMPARE(changed.count(), 0);
}

void tst_ProgramList::checkCycles_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<bool>>("enabled");
    QTest::addColumn<bool>("valid");
    QTest::newRow("start inside a cycle")
        << QStringList{"BEGIN", "mStartCycle", "m_fwd", "mStartCycle", "mPause", "mEndCycle", "END"}
        << QList<bool>{true, false, false, false, false, false, false} << false;
    QTest::newRow("end without start")
        << QStringList{"BEGIN", "m_fwd", "mEndCycle", "mPause", "END"}
        << QList<bool>{false, false, false, true, true} << true;
    QTest::newRow("cycle never closed")
        << QStringList{"BEGIN", "m_fwd", "mStartCycle", "mPause", "END"}
        << QList<bool>{true, true, false, false, false} << false;
    QTest::newRow("closed cycle") << QStringList{"BEGIN",     "mStartCycle", "m_fwd",
                                                 "mEndCycle", "mPause",      "END"}
                                  << QList<bool>{true, true, true, true, true, true} << true;
}

void tst_ProgramList::checkCycles()
{
    QFETCH(QStringList, rows);
    QFETCH(QList<bool>, enabled);
    QFETCH(bool, valid);
    auto list = makeList(rows);
    list->checkCycles();
    QCOMPARE(list->rowNames(), rows);
    QList<bool> actual;
    for (int i = 0; i < list->count(); ++i)
        actual.append(list->rowWidget(i)->isEnabled());
    QCOMPARE(actual, enabled);
    QCOMPARE(list->structureValid(), valid);

    // A later check decides afresh: repairing the structure enables every row again.
    list->clear();
    for (const char *name : {"BEGIN", "m_fwd", "END"})
        list->addRowByName(name);
    list->checkCycles();
    QVERIFY(list->structureValid());
    for (int i = 0; i < list->count(); ++i)
        QVERIFY(list->rowWidget(i)->isEnabled());
}

void tst_ProgramList::markRunningRow_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("next");
    QTest::addColumn<int>("markedRow");
    QTest::newRow("first command, not BEGIN") << 0 << false << 1;
    QTest::newRow("second command") << 1 << false << 2;
    QTest::newRow("past the last command marks END") << 2 << false << 3;
    QTest::newRow("no such row") << 7 << false << -1;
    QTest::newRow("next after a pause") << 1 << true << 2;
}

void tst_ProgramList::markRunningRow()
{
    QFETCH(int, position);
    QFETCH(bool, next);
    QFETCH(int, markedRow);
    using RowDecoration::Marker;
    const Marker marker = next ? Marker::Next : Marker::Running;
    auto list = makeList({"BEGIN", "m_fwd", "mPause", "END"});
    list->resize(400, 400);
    QCOMPARE(list->markRunningRow(position, marker), markedRow >= 0);
    for (int i = 0; i < list->count(); ++i) {
        ProgramListItemWidget *row = list->rowWidget(i);
        QCOMPARE(row->marker(), i == markedRow ? marker : Marker::None);
        QCOMPARE(row->isRunning(), i == markedRow && !next);
        // The frame is painted in the marker's colour, a paused row gets the arrow too.
        row->resize(300, 60);
        const QImage image = row->grab().toImage();
        const QRect frame = RowDecoration::frameRect(row->rect());
        const QColor border = image.pixelColor(frame.left() + 1, frame.center().y());
        const QColor edge = image.pixelColor(9, frame.center().y());
        if (i == markedRow && !next)
            QCOMPARE(border, RowDecoration::markerColor(Marker::Running));
        if (i == markedRow && next)
            QCOMPARE(edge, RowDecoration::markerColor(Marker::Next));
        if (i != markedRow)
            QVERIFY(border != RowDecoration::markerColor(Marker::Running));
    }
    list->markRunningRow(-1);
    for (int i = 0; i < list->count(); ++i)
        QCOMPARE(list->rowWidget(i)->marker(), Marker::None);
}

void tst_ProgramList::breakpointEdge_data()
{
    // Where a row is pressed (x from its left side), and whether that toggles its breakpoint;
    // a press elsewhere selects the row instead.
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("x");
    QTest::addColumn<bool>("toggles");
    QTest::newRow("in the margin") << 1 << 4 << true;
    QTest::newRow("on the frame before the picture") << 2 << 22 << true;
    QTest::newRow("on the action text") << 1 << 150 << false;
    QTest::newRow("BEGIN has no breakpoint") << 0 << 4 << false;
}

void tst_ProgramList::breakpointEdge()
{
    QFETCH(int, row);
    QFETCH(int, x);
    QFETCH(bool, toggles);
    auto list = makeList({"BEGIN", "m_fwd", "mPause", "END"});
    list->resize(400, 600);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list.get()));
    list->setCurrentRow(3);
    QSignalSpy changed(list.get(), &ProgramListWidget::programListChanged);
    QWidget *widget = list->indexWidget(list->model()->index(row, 0));
    QVERIFY(widget);
    const QPoint at(x, RowDecoration::frameRect(widget->rect()).center().y());
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    Command *command = list->commandAt(row);
    QCOMPARE(command && command->hasBreakpoint(), toggles);
    QCOMPARE(changed.count(), toggles ? 1 : 0);
    if (x > 100)
        QCOMPARE(list->currentRow(), row);
    if (!toggles)
        return;
    // The dot is painted in the margin; a second press takes it away.
    const QColor dot = widget->grab().toImage().pixelColor(9, at.y());
    QVERIFY2(dot.red() > 150 && dot.green() < 100, qPrintable(dot.name()));
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QVERIFY(!command->hasBreakpoint());
    QCOMPARE(changed.count(), 2);
    QCOMPARE(list->currentRow(), 3);
}

void tst_ProgramList::breakpointOfSelection()
{
    auto list = makeList({"BEGIN", "m_fwd", "mPause", "END"});
    list->setCurrentRow(0);
    QVERIFY(!list->toggleBreakpointOfSelection());
    list->setCurrentRow(2);
    QVERIFY(list->toggleBreakpointOfSelection());
    QVERIFY(list->commandAt(2)->hasBreakpoint());
    QVERIFY(!list->commandAt(1)->hasBreakpoint());
    QVERIFY(list->toggleBreakpointOfSelection());
    QVERIFY(!list->commandAt(2)->hasBreakpoint());
}

void tst_ProgramList::callsAndRenumbering()
{
    auto list = makeList({"BEGIN", "call", "call", "call", "END"});
    const QJsonObject conditions{
        {"type", "single"},
        {"data", QJsonArray{QJsonObject{{"equation", "equals"}, {"pin", "D3"}, {"level", 1}}}}};
    const QList<QJsonValue> procs{1, QStringLiteral("4"), 3};
    for (int i = 0; i < procs.size(); ++i) {
        list->commandAt(i + 1)->setJson(
            QJsonObject{{"conditions", conditions},
                        {"action", QJsonObject{{"command", "call"}, {"proc", procs.at(i)}}}});
    }
    QVERIFY(list->hasCallTo(1));
    QVERIFY(list->hasCallTo(4));
    QVERIFY(!list->hasCallTo(2));

    QSignalSpy changed(list.get(), &ProgramListWidget::programListChanged);
    list->renumberCalls(2);
    auto proc = [&](int row) {
        return list->commandAt(row)->json()["action"].toObject()["proc"].toInt(-1);
    };
    QCOMPARE(proc(1), 1);
    QCOMPARE(proc(2), 3);
    QCOMPARE(proc(3), 2);
    QCOMPARE(list->commandAt(2)->json()["conditions"].toObject(), conditions);
    QCOMPARE(list->rowWidget(2)->actionText(), QStringLiteral("3"));
    QCOMPARE(changed.count(), 2);
}

void tst_ProgramList::chooserEntriesFollowAllowedConditions()
{
    auto list = makeList({"BEGIN", "mSetleds", "m_fwd", "END"});
    ConditionComboBoxModel *leds = list->rowWidget(1)->conditionModel();
    QCOMPARE(leds->rowCount(), 2);
    QCOMPARE(leds->nameAt(0), QStringLiteral("always"));
    QCOMPARE(leds->nameAt(1), QStringLiteral("counter"));
    QCOMPARE(leds->data(leds->index(1), Qt::DisplayRole), QVariant());
    QCOMPARE(leds->data(leds->index(1), Qt::UserRole).toString(), QStringLiteral("counter"));

    ConditionComboBoxModel *drive = list->rowWidget(2)->conditionModel();
    QCOMPARE(drive->rowCount(), 3);
    QCOMPARE(drive->nameAt(1), QStringLiteral("single"));
    QCOMPARE(drive->nameAt(2), QStringLiteral("conditions"));
}

void tst_ProgramList::choosingDisallowedKindKeepsKind()
{
    auto list = makeList({"BEGIN", "m_fwd", "END"});
    ProgramListItemWidget *row = list->rowWidget(1);
    QSignalSpy conditions(row, &ProgramListItemWidget::changeConditions);
    row->conditionChooser()->setCurrentIndex(2);
    row->setNewCurrentConditions();
    QCOMPARE(row->command()->conditionKind(), 2);
    QCOMPARE(conditions.count(), 1);

    // "counter" is not allowed for this command: the kind stays.
    row->conditionModel()->setEntries({{QStringLiteral("counter"), QIcon()}});
    row->conditionChooser()->setCurrentIndex(0);
    row->setNewCurrentConditions();
    QCOMPARE(row->command()->conditionKind(), 2);
}

void tst_ProgramList::wheelOnChooserChangesNothing()
{
    auto list = makeList({"BEGIN", "m_fwd", "END"});
    list->show();
    ProgramItemComboBox *chooser = list->rowWidget(1)->conditionChooser();
    const int before = chooser->currentIndex();
    QWheelEvent wheel(QPointF(5, 5), chooser->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(chooser, &wheel);
    QVERIFY(wheel.isAccepted());
    QCOMPARE(chooser->currentIndex(), before);
}

void tst_ProgramList::commandChangeRefreshesRowAndList()
{
    auto list = makeList({"BEGIN", "m_fwd", "END"});
    QSignalSpy changed(list.get(), &ProgramListWidget::programListChanged);
    list->commandAt(1)->setJson(QJsonObject{
        {"conditions", QJsonObject{{"type", "always"}}},
        {"action",
         QJsonObject{
             {"command", "m_fwd"}, {"speed", 60}, {"timer", 1}, {"time", 2}, {"brake", 1}}}});
    QCOMPARE(list->rowWidget(1)->actionText(), QStringLiteral("S:60 T:2 (0)"));
    QCOMPARE(list->rowWidget(1)->conditionsText(), QStringLiteral("1"));
    QCOMPARE(changed.count(), 1);
}

void tst_ProgramList::selectionAnnouncesCommand()
{
    auto list = makeList({"BEGIN", "m_fwd", "END"});
    // A command added by name becomes the current row.
    QCOMPARE(list->currentRow(), 1);
    QSignalSpy selected(list.get(), &ProgramListWidget::commandSelected);
    list->setCurrentRow(2);
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.last().at(0).value<Command *>(), nullptr);
    list->setCurrentRow(1);
    QCOMPARE(selected.count(), 2);
    QCOMPARE(selected.last().at(0).value<Command *>(), list->commandAt(1));
    list->RepaintSettings();
    QCOMPARE(selected.count(), 3);
    QCOMPARE(selected.last().at(0).value<Command *>(), list->commandAt(1));
}

void tst_ProgramList::rowsKeepTheirWidthWhenTheScrollBarComes()
{
    auto list = makeList({"BEGIN", "m_fwd", "mPause", "m_fwd", "END"});
    list->resize(400, 600);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list.get()));
    const int width = list->rowWidget(2)->width();
    // Shorter, as when the transfer bar shows below: the scroll bar comes, the rows keep their
    // width and are not cut by it.
    list->resize(400, 150);
    QTRY_VERIFY(list->verticalScrollBar()->isVisible());
    QTRY_COMPARE(list->rowWidget(2)->width(), list->viewport()->width());
    QCOMPARE(list->rowWidget(2)->width(), width);
    // Narrower: the rows follow.
    list->resize(300, 150);
    QTRY_COMPARE(list->rowWidget(2)->width(), width - 100);
}

QTEST_MAIN(tst_ProgramList)
#include "tst_programlist.moc"
