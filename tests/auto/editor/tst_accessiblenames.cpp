#include "appcontext.h"
#include "bluetoothconfigurationwidget.h"
#include "centralwidget.h"
#include "classwindow.h"
#include "command.h"
#include "configurationwidget.h"
#include "editorhome.h"
#include "hardwaredescription.h"
#include "languagecatalog.h"
#include "languagewidget.h"
#include "mainwindow.h"
#include "oneconditionwidget.h"
#include "programlistitemwidget.h"
#include "programlistwidget.h"
#include "programstore.h"
#include "rightmenuwidget.h"
#include "togglediconlabel.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QJsonArray>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

// Every control a person reaches by keyboard, and every button, has a name a screen reader can
// say, in each shipped language, and every combo box a caption. Checked through Qt's
// accessibility interface, which is what the platform bridge (AT-SPI on Linux) hands to assistive
// technology: the main window, the property panel of every command in every condition kind, the
// settings pages, the language page and both file dialogs.
class tst_AccessibleNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void rowNameTellsCommandSettingsAndCondition_data();
    void rowNameTellsCommandSettingsAndCondition();
    void rowDescriptionTellsRunAndBreakpoint();
    void everyControlIsNamed_data();
    void everyControlIsNamed();
    void cleanupTestCase();

private:
    struct Census
    {
        int checked = 0;
        // Controls met, each once however often the walk passes it (a cell by list and row).
        QSet<QString> distinct;
        QStringList faults;
        // Checked where the purpose of a button, tab or slider is not plain from its name.
        bool describe = false;
    };
    static void walk(QAccessibleInterface *node, const QString &where, Census &census,
                     const QString &key = QString());
    static void walkWidget(QWidget *widget, const QString &where, Census &census);
    void walkPanelOfEveryCommand(Census &census);
    void walkSettings(Census &census);
    void walkFileDialogs(Census &census);
    static QJsonObject configuration();
    // One row of every command of the menu, loaded into the main program.
    static QJsonObject everyCommand();

    QTemporaryDir m_home;
    std::unique_ptr<MainWindow> m_window;
    int m_total = 0;
};

void tst_AccessibleNames::initTestCase()
{
    QVERIFY(EditorHome::prepare(m_home));
    m_window = std::make_unique<MainWindow>();
    QVERIFY(m_window->isBuilt());
}

void tst_AccessibleNames::cleanupTestCase()
{
    qInfo("Controls checked in all languages together: %d", m_total);
    m_window.reset();
}

QJsonObject tst_AccessibleNames::configuration()
{
    // Every kind of gadget, so that every editor shows its pin choices and rows.
    return EditorHome::everyGadget();
}

QJsonObject tst_AccessibleNames::everyCommand()
{
    QJsonArray program;
    for (const Command *command : LanguageCatalog::instance().current()->commands()) {
        if (command->name() != QLatin1String("empty"))
            program.append(QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                                       {"action", QJsonObject{{"command", command->name()}}}});
    }
    return {{"ProgData", QJsonArray{program, QJsonArray{}}}, {"configuration", configuration()}};
}

void tst_AccessibleNames::rowNameTellsCommandSettingsAndCondition_data()
{
    QTest::addColumn<QJsonObject>("command");
    QTest::addColumn<QString>("name");

    const auto drive = [](const QJsonObject &conditions) {
        return QJsonObject{{"conditions", conditions},
                           {"action", QJsonObject{{"command", "m_fwd"}, {"speed", 60}}}};
    };
    QTest::newRow("always") << drive({{"type", "always"}})
                            << QStringLiteral("Drive forward: S:60, always");
    QTest::newRow("one sensor")
        << drive({{"type", "single"},
                  {"data",
                   QJsonArray{QJsonObject{{"pin", "D2"}, {"equation", "equals"}, {"level", "1"}}}}})
        << QStringLiteral("Drive forward: S:60, when D2=1");
    QTest::newRow("counter") << drive({{"type", "single"},
                                       {"data", QJsonArray{QJsonObject{{"equation", "counter"},
                                                                       {"level", "3"}}}}})
                             << QStringLiteral("Drive forward: S:60, when N=3");
    QTest::newRow("no settings to tell")
        << QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                       {"action", QJsonObject{{"command", "mStartCycle"}}}}
        << QStringLiteral("Start of a loop: the commands after it repeat, always");
}

void tst_AccessibleNames::rowNameTellsCommandSettingsAndCondition()
{
    QFETCH(QJsonObject, command);
    QFETCH(QString, name);
    // A reader sees the program list's rows; the name lives on the row's item and follows edits.
    m_window->ReadProgrammFromDevice(
        {{"ProgData", QJsonArray{QJsonArray{command}}}, {"configuration", configuration()}});
    ProgramListWidget *list = CentralWidget::instance()->lists().at(0);
    QAccessibleInterface *listNode = QAccessible::queryAccessibleInterface(list);
    QVERIFY(listNode);
    QAccessibleInterface *row = nullptr;
    for (int i = 0; i < listNode->childCount() && !row; ++i) {
        QAccessibleInterface *child = listNode->child(i);
        if (child && child->role() == QAccessible::ListItem &&
            child->text(QAccessible::Name) != QLatin1String("BEGIN") &&
            child->text(QAccessible::Name) != QLatin1String("END"))
            row = child;
    }
    QVERIFY(row);
    QCOMPARE(row->text(QAccessible::Name), name);

    QJsonObject changed = command;
    QJsonObject conditions{{"type", "always"}};
    changed["conditions"] = conditions;
    list->commandAt(1)->setJson(changed);
    QVERIFY(row->text(QAccessible::Name).endsWith(QLatin1String(", always")));
}

void tst_AccessibleNames::rowDescriptionTellsRunAndBreakpoint()
{
    m_window->ReadProgrammFromDevice(
        {{"ProgData",
          QJsonArray{QJsonArray{QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                                            {"action", QJsonObject{{"command", "m_fwd"}}}},
                                QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                                            {"action", QJsonObject{{"command", "mStartCycle"}}}}}}},
         {"configuration", configuration()}});
    ProgramListWidget *list = CentralWidget::instance()->lists().at(0);
    const auto description = [list](int row) {
        return list->item(row)->data(Qt::AccessibleDescriptionRole).toString();
    };
    QCOMPARE(description(1), QString());
    // A cycle start without its end greys the rest of the program out.
    QCOMPARE(description(2), QStringLiteral("greyed out: its loop is not closed"));

    using RowDecoration::Marker;
    CentralWidget::instance()->changeStatusSlot({{"progpos", 0}, {"proc", 0}, {"run", 1}});
    QCOMPARE(description(1), QStringLiteral("running now"));
    // (The edit goes to the worker, whose next report may unmark the row: the run is told again.)
    list->commandAt(1)->setBreakpoint(true);
    CentralWidget::instance()->changeStatusSlot({{"progpos", 0}, {"proc", 0}, {"run", 1}});
    QCOMPARE(description(1), QStringLiteral("running now, breakpoint"));
    CentralWidget::instance()->changeStatusSlot({{"progpos", 0}, {"proc", 0}, {"run", 2}});
    QCOMPARE(list->rowWidget(1)->marker(), Marker::Next);
    QCOMPARE(description(1), QStringLiteral("runs next, breakpoint"));
    CentralWidget::instance()->changeStatusSlot({{"progpos", -1}, {"proc", 0}});
    QCOMPARE(description(1), QStringLiteral("breakpoint"));
    QAccessibleInterface *listNode = QAccessible::queryAccessibleInterface(list);
    bool found = false;
    for (int i = 0; i < listNode->childCount(); ++i) {
        if (QAccessibleInterface *child = listNode->child(i))
            found = found || child->text(QAccessible::Description) == QLatin1String("breakpoint");
    }
    QVERIFY2(found, "the reader is told of the breakpoint");
}

void tst_AccessibleNames::walk(QAccessibleInterface *node, const QString &where, Census &census,
                               const QString &key)
{
    if (!node || !node->isValid() || node->state().invisible)
        return;
    static const QList<QAccessible::Role> controls{
        QAccessible::Button,   QAccessible::CheckBox, QAccessible::RadioButton,
        QAccessible::PageTab,  QAccessible::Slider,   QAccessible::ComboBox,
        QAccessible::ListItem, QAccessible::List,     QAccessible::EditableText,
        QAccessible::Window,   QAccessible::Dialog};
    const QObject *object = node->object();
    const auto fault = [&](const char *what) {
        census.faults.append(
            QStringLiteral("%1: %2 %3 \"%4\" %5")
                .arg(where, QString::fromLatin1(qAccessibleRoleString(node->role())),
                     object ? QString::fromLatin1(object->metaObject()->className())
                            : QStringLiteral("cell"),
                     object ? object->objectName() : QString(), QLatin1String(what)));
    };
    if (node->state().focusable || controls.contains(node->role())) {
        ++census.checked;
        census.distinct.insert(object ? QString::number(quintptr(object)) : key);
        const QString name = node->text(QAccessible::Name).trimmed();
        // "No key" is what a text missing from a dictionary reads as.
        if (name.isEmpty() || name.contains(QLatin1String("No key")))
            fault("without a name");
        // On Linux a reader names a combo box by its value, and says its caption from the label
        // tied to it.
        if (node->role() == QAccessible::ComboBox) {
            const auto captions = node->relations(QAccessible::Label);
            if (std::none_of(captions.cbegin(), captions.cend(), [](const auto &relation) {
                    return !relation.first->text(QAccessible::Name).trimmed().isEmpty();
                }))
                fault("without a caption");
        }
        const bool purpose = node->role() == QAccessible::PageTab ||
                             node->role() == QAccessible::Slider ||
                             qobject_cast<const QPushButton *>(object);
        if (census.describe && purpose && node->text(QAccessible::Description).trimmed().isEmpty())
            fault("without a description");
    }
    const QString parentKey = QString::number(quintptr(node->object()));
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), where, census, parentKey + QLatin1Char(':') + QString::number(i));
}

void tst_AccessibleNames::walkWidget(QWidget *widget, const QString &where, Census &census)
{
    walk(QAccessible::queryAccessibleInterface(widget), where, census);
}

void tst_AccessibleNames::walkPanelOfEveryCommand(Census &census)
{
    RightMenuWidget *panel = RightMenuWidget::instance();
    ProgramListWidget *list = CentralWidget::instance()->lists().at(0);
    for (int row = 1; row + 1 < list->count(); ++row) {
        Command *command = list->commandAt(row);
        list->setCurrentRow(row);
        const QString where = QStringLiteral("panel of ") + command->name();
        for (int kind : command->allowedConditions()) {
            command->setConditionKind(kind);
            panel->setCommand(command);
            walkWidget(panel, where, census);
        }
        // Each pin of a condition: digital pins show the level toggles, analog ones the
        // comparisons, and a range comparison shows the fields of a range.
        command->setConditionKind(1);
        panel->setCommand(command);
        auto *condition = panel->findChild<OneConditionWidget *>();
        QComboBox *pins = condition ? condition->findChild<QComboBox *>() : nullptr;
        for (int pin = 0; pins && pin < pins->count(); ++pin) {
            pins->setCurrentIndex(pin);
            for (ToggledIconLabel *toggle : condition->findChildren<ToggledIconLabel *>()) {
                if (toggle->isVisibleTo(panel))
                    toggle->activate();
            }
            walkWidget(panel, where, census);
        }
    }
}

void tst_AccessibleNames::walkSettings(Census &census)
{
    ConfigurationWidget *settings = m_window->settingsDialog();
    QVERIFY(settings);
    // A found robot, so the device list has an entry to name.
    settings->bluetoothPage()->slotToSigFindDevice(
        QStringLiteral("{\"Name\":\"Robot\",\"Address\":\"tcp://127.0.0.1:1\"}"));
    settings->openDialog();
    QVERIFY(QTest::qWaitForWindowExposed(settings));
    census.describe = true;
    for (int tab = 0; tab < settings->tabs()->count(); ++tab) {
        settings->tabs()->setCurrentIndex(tab);
        walkWidget(settings, QStringLiteral("settings page %1").arg(tab), census);
    }
    census.describe = false;
    settings->hide();

    // The class window, with a robot in its list.
    ClassWindow *classes = m_window->classWindow();
    classes->addDevice(QStringLiteral("{\"Name\":\"Robot\",\"Address\":\"tcp://127.0.0.1:1\"}"));
    classes->show();
    QVERIFY(QTest::qWaitForWindowExposed(classes));
    census.describe = true;
    walkWidget(classes, QStringLiteral("class window"), census);
    census.describe = false;
    classes->hide();

    auto *page = new LanguageWidget(m_window.get());
    page->show();
    QVERIFY(QTest::qWaitForWindowExposed(page));
    walkWidget(page, QStringLiteral("language page"), census);
    delete page;
}

void tst_AccessibleNames::walkFileDialogs(Census &census)
{
    // The dialogs as the top menu opens them; walked while open, then cancelled.
    for (const auto open : {&MainWindow::LabelReadFileClick, &MainWindow::LabelSaveFileClick}) {
        QStringList types;
        // Opening another program first asks about the unsaved one (the program read here).
        std::function<void()> answer = [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *question = qobject_cast<QMessageBox *>(modal)) {
                walkWidget(question, QStringLiteral("unsaved question"), census);
                question->button(QMessageBox::Discard)->click();
                QTimer::singleShot(0, this, answer);
            } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
                walkWidget(dialog, QStringLiteral("file dialog"), census);
                types = dialog->nameFilters();
                dialog->reject();
            }
        };
        QTimer::singleShot(0, this, answer);
        (m_window.get()->*open)();
        QVERIFY2(!types.isEmpty(), "a file dialog was open");
        // An empty file type would be an empty line for everyone.
        QVERIFY(!types.contains(QString()));
    }
}

void tst_AccessibleNames::everyControlIsNamed_data()
{
    QTest::addColumn<QString>("language");
    for (const QString &language : LanguageCatalog::instance().languageNames())
        QTest::newRow(language.toUtf8()) << language;
}

void tst_AccessibleNames::everyControlIsNamed()
{
    QFETCH(QString, language);
    AppContext::instance().store().setLanguage(language);
    QVERIFY(LanguageCatalog::instance().select(language));
    m_window->LanguageSelected(true);
    QVERIFY(m_window->isBuilt());
    m_window->ReadProgrammFromDevice(everyCommand());
    CentralWidget::instance()->addNewSubProgramClick();

    Census census;
    CentralWidget::instance()->lists().at(0)->setCurrentRow(1);
    walkWidget(m_window.get(), QStringLiteral("main window"), census);
    walkPanelOfEveryCommand(census);
    walkSettings(census);
    walkFileDialogs(census);

    qInfo().noquote() << language << ": checks" << census.checked << "of" << census.distinct.size()
                      << "controls, faults" << census.faults.size();
    m_total += int(census.distinct.size());
    QVERIFY2(census.checked > 500, "the walk reached the controls");
    QVERIFY2(census.faults.isEmpty(), qPrintable(census.faults.join(QLatin1Char('\n'))));
}

QTEST_MAIN(tst_AccessibleNames)
#include "tst_accessiblenames.moc"
