#include "centralwidget.h"
#include "command.h"
#include "editorfixture.h"
#include "leftmenuwidget.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "subprogramtabwidget.h"
#include "tabstrip.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <QUndoStack>
#include <QWheelEvent>

#include <memory>

class tst_ProgramArea : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void plusSixTimes();
    void deleteSubprogramTwoOfFour();
    void refusalWhenMainProgramCalls();
    void deletingSubprogramCalledOnlyByAnotherSubprogram();
    void runningRows_data();
    void runningRows();
    void editRequestsGoToShownList();
    void loadingDropsUnknownCommands();
    void documentWithoutProgramsGivesEmptyMainProgram();
    void clearEmptiesUndoStacks();
    void tabChoiceShowsItsPage();
    void rowsDroppedOnCommandMenuAreDeleted();
    void everyTabReadableAndReachable_data();
    void everyTabReadableAndReachable();

private:
    static QJsonObject call(int proc)
    {
        return QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                           {"action", QJsonObject{{"command", "call"}, {"proc", proc}}}};
    }
    static QJsonObject plain(const QString &name)
    {
        return QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                           {"action", QJsonObject{{"command", name}}}};
    }
    void load(const QJsonArray &programs);
    int procOf(ProgramListWidget *list, int row) const
    {
        return list->commandAt(row)->json()["action"].toObject()["proc"].toInt(-1);
    }

    std::unique_ptr<EditorFixture> m_fixture;
    std::unique_ptr<CentralWidget> m_area;
    QTemporaryDir m_files;
};

void tst_ProgramArea::initTestCase()
{
    m_fixture = std::make_unique<EditorFixture>();
}

void tst_ProgramArea::cleanupTestCase()
{
    m_fixture.reset();
}

void tst_ProgramArea::init()
{
    m_area = std::make_unique<CentralWidget>();
    m_area->retranslate();
    m_area->ClearProgramms(true);
}

void tst_ProgramArea::cleanup()
{
    m_area.reset();
}

void tst_ProgramArea::load(const QJsonArray &programs)
{
    const QString path = m_files.filePath(QStringLiteral("program.json"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(QJsonObject{{"ProgData", programs}}).toJson());
    file.close();
    ProgramStore store(m_files.path());
    store.loadFile(path, ProgramStore::ProgramsOnly);
    m_area->loadFromStore(store);
}

void tst_ProgramArea::plusSixTimes()
{
    QSignalSpy changed(m_area.get(), &CentralWidget::programChanged);
    for (int i = 0; i < 6; ++i)
        m_area->addButton()->click();
    QCOMPARE(m_area->tabs().size(), 6);
    QCOMPARE(m_area->lists().size(), 6);
    QCOMPARE(m_area->pages()->count(), 6);
    QCOMPARE(m_area->tabs().at(0)->caption(), QStringLiteral("Main"));
    QVERIFY(!m_area->tabs().at(0)->isDeletable());
    for (int k = 1; k < 6; ++k) {
        QCOMPARE(m_area->tabs().at(k)->caption(), QStringLiteral("Sub %1").arg(k));
        QCOMPARE(m_area->tabs().at(k)->index(), k);
        QCOMPARE(m_area->lists().at(k)->rowNames(), (QStringList{"BEGIN", "END"}));
    }
    QCOMPARE(changed.count(), 5);
    // Adding a subprogram neither selects it nor changes the shown page.
    QCOMPARE(m_area->currentIndex(), 0);
}

void tst_ProgramArea::deleteSubprogramTwoOfFour()
{
    load({QJsonArray{call(4), call(1), plain("mPause")}, QJsonArray{}, QJsonArray{},
          QJsonArray{plain("m_fwd")}, QJsonArray{call(3)}});
    QCOMPARE(m_area->lists().size(), 5);
    ProgramListWidget *third = m_area->lists().at(3);
    QSignalSpy changed(m_area.get(), &CentralWidget::programChanged);

    m_area->tabs().at(2)->deleteButton()->click();

    QCOMPARE(m_area->tabs().size(), 4);
    QCOMPARE(m_area->lists().size(), 4);
    QCOMPARE(m_area->lists().at(2), third);
    QCOMPARE(m_area->tabs().at(2)->caption(), QStringLiteral("Sub 2"));
    QCOMPARE(m_area->tabs().at(3)->caption(), QStringLiteral("Sub 3"));
    ProgramListWidget *main = m_area->lists().at(0);
    QCOMPARE(procOf(main, 1), 3);
    QCOMPARE(procOf(main, 2), 1);
    // Only the main program's calls are renumbered.
    QCOMPARE(procOf(m_area->lists().at(3), 1), 3);
    QVERIFY(changed.count() >= 1);
    QCOMPARE(m_area->collectCommands().size(), 4);
}

void tst_ProgramArea::refusalWhenMainProgramCalls()
{
    load({QJsonArray{call(1)}, QJsonArray{plain("m_fwd")}});
    m_area->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_area.get()));
    SubProgramTabWidget *tab = m_area->tabs().at(1);
    QSignalSpy deleted(tab, &SubProgramTabWidget::deleted);

    tab->deleteButton()->click();

    QCOMPARE(deleted.count(), 0);
    QCOMPARE(m_area->tabs().size(), 2);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Still called"));
    QCOMPARE(tab->refusalText(), QStringLiteral("Still called"));
    QCOMPARE(procOf(m_area->lists().at(0), 1), 1);
    QToolTip::hideText();
}

void tst_ProgramArea::deletingSubprogramCalledOnlyByAnotherSubprogram()
{
    load({QJsonArray{plain("m_fwd")}, QJsonArray{call(2)}, QJsonArray{plain("mPause")}});
    m_area->tabs().at(2)->deleteButton()->click();
    QCOMPARE(m_area->lists().size(), 2);
}

void tst_ProgramArea::runningRows_data()
{
    QTest::addColumn<QJsonObject>("report");
    QTest::addColumn<QList<int>>("mainMarked");
    QTest::addColumn<QList<int>>("sub2Marked");
    QTest::addColumn<bool>("next");
    QTest::newRow("call into subprogram 2")
        << QJsonObject{{"proc", 2}, {"progpos", 4}, {"procpos", 0}, {"run", 1}} << QList<int>{5}
        << QList<int>{1} << false;
    QTest::newRow("main program only")
        << QJsonObject{{"proc", 0}, {"progpos", 1}, {"procpos", 0}, {"run", 1}} << QList<int>{2}
        << QList<int>{} << false;
    QTest::newRow("paused in subprogram 2")
        << QJsonObject{{"proc", 2}, {"progpos", 4}, {"procpos", 1}, {"run", 2}} << QList<int>{5}
        << QList<int>{2} << true;
    QTest::newRow("run over") << QJsonObject{{"proc", 2},
                                             {"progpos", 4},
                                             {"procpos", 1},
                                             {"run", 0}}
                              << QList<int>{} << QList<int>{} << false;
    QTest::newRow("nothing before the first reset")
        << QJsonObject{{"proc", 0}, {"progpos", -1}, {"procpos", 0}, {"run", 1}} << QList<int>{}
        << QList<int>{} << false;
    QTest::newRow("proc names no program") << QJsonObject{{"proc", 9}, {"progpos", 0}, {"run", 1}}
                                           << QList<int>{1} << QList<int>{} << false;
    // A report that says nothing of the run is taken as running.
    QTest::newRow("empty report marks the first command")
        << QJsonObject{} << QList<int>{1} << QList<int>{} << false;
}

void tst_ProgramArea::runningRows()
{
    QFETCH(QJsonObject, report);
    QFETCH(QList<int>, mainMarked);
    QFETCH(QList<int>, sub2Marked);
    QFETCH(bool, next);
    QJsonArray main;
    for (int i = 0; i < 6; ++i)
        main.append(plain("mPause"));
    load({main, QJsonArray{plain("m_fwd")}, QJsonArray{plain("m_fwd"), plain("mPause")}});
    // Whatever was marked before is cleared first.
    m_area->changeStatusSlot(QJsonObject{{"proc", 2}, {"progpos", 3}, {"procpos", 1}});
    m_area->changeStatusSlot(report);

    using RowDecoration::Marker;
    const Marker marker = next ? Marker::Next : Marker::Running;
    auto marked = [marker](ProgramListWidget *list) {
        QList<int> rows;
        for (int i = 0; i < list->count(); ++i) {
            if (list->rowWidget(i)->marker() == marker)
                rows.append(i);
            else if (list->rowWidget(i)->marker() != Marker::None)
                rows.append(-i);
        }
        return rows;
    };
    QCOMPARE(marked(m_area->lists().at(0)), mainMarked);
    QCOMPARE(marked(m_area->lists().at(1)), QList<int>{});
    QCOMPARE(marked(m_area->lists().at(2)), sub2Marked);
    // The tabs of the programs that hold a marked row show it.
    QCOMPARE(m_area->tabs().at(0)->marker(), mainMarked.isEmpty() ? Marker::None : marker);
    QCOMPARE(m_area->tabs().at(1)->marker(), Marker::None);
    QCOMPARE(m_area->tabs().at(2)->marker(), sub2Marked.isEmpty() ? Marker::None : marker);
}

void tst_ProgramArea::editRequestsGoToShownList()
{
    m_area->addNewSubProgram(true);
    m_area->showProgram(1);
    ProgramListWidget *sub = m_area->lists().at(1);
    m_area->AddDragDropCommandProcessor(QStringLiteral("m_fwd"), QPixmap(), 1);
    m_area->AddDragDropCommandProcessor(QStringLiteral("mPause"), QPixmap(), 1);
    QCOMPARE(sub->rowNames(), (QStringList{"BEGIN", "mPause", "m_fwd", "END"}));
    QCOMPARE(m_area->lists().at(0)->rowNames(), (QStringList{"BEGIN", "END"}));
    QSignalSpy changed(m_area.get(), &CentralWidget::programChanged);
    m_area->MoveWidgetEvent(1, 3, ProgramListWidget::MoveBelow);
    QCOMPARE(sub->rowNames(), (QStringList{"BEGIN", "m_fwd", "mPause", "END"}));
    m_area->MoveWidgetEvent(1, 3, 7);
    QCOMPARE(sub->undoStack()->count(), 3);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(m_area->lists().at(0)->undoStack()->count(), 0);
}

void tst_ProgramArea::loadingDropsUnknownCommands()
{
    QSignalSpy changed(m_area.get(), &CentralWidget::programChanged);
    load({QJsonArray{plain("m_fwd"), plain("noSuchTile"), plain("mPause")},
          QJsonArray{plain("mStartCycle")}});
    QCOMPARE(m_area->lists().at(0)->rowNames(), (QStringList{"BEGIN", "m_fwd", "mPause", "END"}));
    QCOMPARE(m_area->lists().at(1)->rowNames(), (QStringList{"BEGIN", "mStartCycle", "END"}));
    // The broken cycle of the subprogram is greyed as soon as it is loaded.
    QVERIFY(!m_area->lists().at(1)->structureValid());
    QVERIFY(!m_area->lists().at(1)->rowWidget(1)->isEnabled());
    QCOMPARE(changed.count(), 0);
    const QList<QList<Command *>> commands = m_area->collectCommands();
    QCOMPARE(commands.size(), 2);
    QCOMPARE(commands.at(0).size(), 2);
    QCOMPARE(commands.at(0).at(1)->name(), QStringLiteral("mPause"));
}

void tst_ProgramArea::documentWithoutProgramsGivesEmptyMainProgram()
{
    // "ProgData" holds no program at all: the editor still shows BEGIN and END.
    load(QJsonArray{QJsonObject{{"not", "a program"}}});
    QCOMPARE(m_area->lists().size(), 1);
    QCOMPARE(m_area->lists().at(0)->rowNames(), (QStringList{"BEGIN", "END"}));
}

void tst_ProgramArea::clearEmptiesUndoStacks()
{
    m_area->addNewSubProgram(true);
    m_area->AddDragDropCommandProcessor(QStringLiteral("m_fwd"), QPixmap(), 1);
    QCOMPARE(m_area->lists().at(0)->undoStack()->count(), 1);
    m_area->ClearProgramms(true);
    QCOMPARE(m_area->lists().size(), 1);
    QCOMPARE(m_area->tabs().size(), 1);
    QCOMPARE(m_area->lists().at(0)->rowNames(), (QStringList{"BEGIN", "END"}));
    QCOMPARE(m_area->lists().at(0)->undoStack()->count(), 0);
    m_area->ClearProgramms(false);
    QCOMPARE(m_area->lists().at(0)->count(), 0);
}

void tst_ProgramArea::tabChoiceShowsItsPage()
{
    m_area->addNewSubProgram(true);
    m_area->addNewSubProgram(true);
    m_area->show();
    SubProgramTabWidget *tab = m_area->tabs().at(2);
    QTest::mouseClick(tab, Qt::LeftButton, Qt::NoModifier, tab->rect().center());
    QCOMPARE(m_area->currentIndex(), 2);
    QVERIFY(tab->isSelected());
    QVERIFY(!m_area->tabs().at(0)->isSelected());
    QVERIFY(tab->styleSheet().contains(QLatin1String("rgba(79, 221, 255, 255)")));
    QVERIFY(m_area->tabs().at(0)->styleSheet().contains(QLatin1String("rgba(69,192, 222, 255)")));
}

void tst_ProgramArea::rowsDroppedOnCommandMenuAreDeleted()
{
    QJsonArray programs;
    programs.append(QJsonArray{plain("m_fwd"), plain("mPause"), plain("mSetleds")});
    load(programs);
    ProgramListWidget *main = m_area->lists().at(0);
    QCOMPARE(main->rowNames(), (QStringList{"BEGIN", "m_fwd", "mPause", "mSetleds", "END"}));
    Command *pause = main->commandAt(2);
    main->clearSelection();
    main->item(2)->setSelected(true);
    QSignalSpy changed(m_area.get(), &CentralWidget::programChanged);

    LeftMenuWidget::instance()->deleteSelectedRows(main);
    QCOMPARE(main->rowNames(), (QStringList{"BEGIN", "m_fwd", "mSetleds", "END"}));
    QCOMPARE(changed.count(), 1);

    // BEGIN and END are never deleted.
    main->clearSelection();
    main->item(0)->setSelected(true);
    LeftMenuWidget::instance()->deleteSelectedRows(main);
    QCOMPARE(main->count(), 4);

    main->undoStack()->undo();
    QCOMPARE(main->rowNames(), (QStringList{"BEGIN", "m_fwd", "mPause", "mSetleds", "END"}));
    QCOMPARE(main->commandAt(2), pause);
}

void tst_ProgramArea::everyTabReadableAndReachable_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("English") << "01_English";
    QTest::newRow("Russian") << "02_Russian";
}

void tst_ProgramArea::everyTabReadableAndReachable()
{
    QFETCH(QString, folder);
    const QString path =
        QCoreApplication::applicationDirPath() + "/Languages/" + folder + "/base.json";
    if (!QFile::exists(path))
        QSKIP("no shipped Languages folder beside the test program");
    HardwareDescription shipped(path);
    const auto restore = qScopeGuard([&] {
        AppContext::instance().forgetDescription(&shipped);
        m_fixture->publish();
    });
    // Five subprograms in the width the program area has in a 1280 × 720 window, the last one
    // added with the "+" button, which shows where it went.
    CentralWidget area;
    area.retranslate();
    area.ClearProgramms(true);
    for (int k = 2; k < CentralWidget::MaxPrograms; ++k)
        area.addNewSubProgram(true);
    area.resize(380, 400);
    area.show();
    area.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&area));
    TabStrip *strip = area.tabStrip();
    const auto whollyShown = [strip](const QWidget *tab) {
        return strip->shownArea().contains(tab->geometry());
    };
    QTest::mouseClick(area.addButton(), Qt::LeftButton);
    QVERIFY(whollyShown(area.tabs().last()));

    // The wheel goes back a tab a notch; the arrow goes on until every tab was seen whole.
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120 * 10), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(strip, &wheel);
    QSet<int> seen;
    const auto look = [&] {
        for (const SubProgramTabWidget *tab : area.tabs()) {
            const auto *caption = tab->findChild<QLabel *>();
            QVERIFY2(caption->width() >= caption->sizeHint().width(), qPrintable(tab->caption()));
            if (whollyShown(tab))
                seen.insert(tab->index());
        }
    };
    look();
    for (int click = 0; click < 10 && strip->forwardButton()->isEnabled(); ++click) {
        QTest::mouseClick(strip->forwardButton(), Qt::LeftButton);
        look();
    }
    QCOMPARE(seen.size(), CentralWidget::MaxPrograms);

    // A tab that takes the focus comes into view.
    area.tabs().first()->setFocus(Qt::TabFocusReason);
    QVERIFY(whollyShown(area.tabs().first()));
}

QTEST_MAIN(tst_ProgramArea)
#include "tst_programarea.moc"
