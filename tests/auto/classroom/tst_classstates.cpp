#include "classmodel.h"
#include "classroster.h"
#include "classscheduler.h"
#include "classwindow.h"
#include "languagecatalog.h"
#include "mbluetoothconnect.h"

#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using State = RobotRow::State;
using Tone = RobotRow::Tone;

// Every state a robot's row can be in: its words in both shipped languages, its colours, and
// which of the row's own actions it leaves usable.
class tst_ClassStates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rowOfState_data();
    void rowOfState();
    void coloursReadable_data();
    void coloursReadable();

private:
    QTemporaryDir m_home;
};

void tst_ClassStates::initTestCase()
{
    qputenv("HOME", m_home.path().toUtf8());
}

void tst_ClassStates::rowOfState_data()
{
    QTest::addColumn<State>("state");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    QTest::addColumn<Tone>("tone");
    QTest::addColumn<bool>("showMe");

    QTest::newRow("found") << State::Found << 0 << "found"
                           << "найден" << Tone::Plain << true;
    QTest::newRow("queued") << State::Queued << 0 << "waiting its turn"
                            << "ждёт очереди" << Tone::Busy << false;
    QTest::newRow("connecting") << State::Connecting << 0 << "connecting…"
                                << "подключается…" << Tone::Busy << false;
    QTest::newRow("connected") << State::Connected << 0 << "connected"
                               << "подключён" << Tone::Good << true;
    QTest::newRow("showing") << State::Identifying << 0 << "showing itself"
                             << "показывает себя" << Tone::Busy << false;
    QTest::newRow("shown") << State::Shown << 0 << "shown"
                           << "показался" << Tone::Good << true;
    QTest::newRow("renaming") << State::Renaming << 0 << "renaming…"
                              << "переименовывается…" << Tone::Busy << false;
    QTest::newRow("renamed") << State::Renamed << 0 << "renamed"
                             << "переименован" << Tone::Good << true;
    QTest::newRow("writing") << State::Writing << 45 << "writing 45 %"
                             << "запись 45 %" << Tone::Busy << false;
    QTest::newRow("writing past the end") << State::Writing << 130 << "writing 100 %"
                                          << "запись 100 %" << Tone::Busy << false;
    QTest::newRow("written") << State::Written << 100 << "written"
                             << "записан" << Tone::Good << true;
    QTest::newRow("reading") << State::Reading << 7 << "reading 7 %"
                             << "чтение 7 %" << Tone::Busy << false;
    QTest::newRow("read") << State::Read << 0 << "read"
                          << "прочитан" << Tone::Good << true;
    QTest::newRow("failed") << State::Failed << 0 << "failed: the link was lost"
                            << "не удалось: связь потеряна" << Tone::Bad << true;
}

void tst_ClassStates::rowOfState()
{
    QFETCH(State, state);
    QFETCH(int, percent);
    QFETCH(QString, english);
    QFETCH(QString, russian);
    QFETCH(Tone, tone);
    QFETCH(bool, showMe);

    QCOMPARE(RobotRow::toneOf(state), tone);
    const QString address = QStringLiteral("tcp://127.0.0.1:9");
    for (const auto &[language, words] : {std::pair{QStringLiteral("English"), english},
                                          std::pair{QStringLiteral("Русский"), russian}}) {
        QVERIFY(LanguageCatalog::instance().select(language));
        ClassRoster roster(ClassRoster::filePathIn(m_home.path()));
        ClassScheduler scheduler;
        ClassWindow window(&roster, &scheduler, [] { return QJsonObject(); });
        window.addDevice(mBluetoothConnect::deviceText(QStringLiteral("Robot"), address));
        ClassModel *model = window.model();
        const QString why =
            state == State::Failed ? ClassWords::failure(RobotJob::Failure::LinkLost) : QString();
        model->setState(address, state, percent, why);
        if (state == State::Read)
            model->setReadFile(address, m_home.filePath(QStringLiteral("Robot.json")));
        const QModelIndex stateCell = model->index(0, ClassModel::StateColumn);
        QCOMPARE(model->data(stateCell).toString(), words);
        QCOMPARE(model->data(stateCell, Qt::ForegroundRole).value<QBrush>().color(),
                 ClassColours::text(tone));

        // Space checks the robot from any cell of its row; the checked robots can be written
        // whatever their rows say, until a round is under way.
        window.table()->setCurrentIndex(stateCell);
        QVERIFY(!window.button(QStringLiteral("ClassWrite"))->isEnabled());
        QTest::keyClick(window.table(), Qt::Key_Space);
        QCOMPARE(model->data(model->index(0, ClassModel::NumberColumn), Qt::CheckStateRole).toInt(),
                 int(Qt::Checked));
        QVERIFY(window.button(QStringLiteral("ClassWrite"))->isEnabled());
        QCOMPARE(window.button(QStringLiteral("ClassShowMe"))->isEnabled(), showMe);
        QCOMPARE(window.button(QStringLiteral("ClassOpen"))->isEnabled(), state == State::Read);
        window.selectNone();
        QVERIFY(!window.button(QStringLiteral("ClassWrite"))->isEnabled());
    }
}

void tst_ClassStates::coloursReadable_data()
{
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");
    for (const Tone tone : {Tone::Plain, Tone::Busy, Tone::Good, Tone::Bad})
        QTest::addRow("tone %d", int(tone))
            << ClassColours::text(tone) << ClassColours::background(tone);
    QTest::newRow("selected row") << ClassColours::selectedText()
                                  << ClassColours::selectedBackground();
    QTest::newRow("summary, all well")
        << ClassColours::summaryText(true) << ClassColours::summaryBackground(true);
    QTest::newRow("summary, some failed")
        << ClassColours::summaryText(false) << ClassColours::summaryBackground(false);
}

void tst_ClassStates::coloursReadable()
{
    QFETCH(QColor, text);
    QFETCH(QColor, background);
    // The measure itself: black on white is the most there is, a colour on itself none.
    QCOMPARE(ClassColours::contrast(Qt::black, Qt::white), 21.0);
    QCOMPARE(ClassColours::contrast(text, text), 1.0);
    const double ratio = ClassColours::contrast(text, background);
    QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("%1 on %2: %3:1")
                                          .arg(text.name(), background.name())
                                          .arg(ratio, 0, 'f', 2)));
}

QTEST_MAIN(tst_ClassStates)
#include "tst_classstates.moc"
