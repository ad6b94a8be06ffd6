#include "panelfixture.h"

#include "inputswidget.h"
#include "memoryimage.h"
#include "rightmenuwidget.h"

#include <QDir>
#include <QJsonDocument>
#include <QTest>

// Every command of every shipped command menu, with every condition kind it allows, is edited
// through every control the panel shows for it; the command it then holds must compile into a
// memory image, as the controller worker will do with it.
class tst_PanelCompile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void editedCommandsCompile_data();
    void editedCommandsCompile();

private:
    void selectLanguage(const QString &language);

    QTemporaryDir m_home;
    RightMenuWidget *m_panel = nullptr;
    QString m_language;
};

void tst_PanelCompile::initTestCase()
{
    QVERIFY(PanelFixture::setUp(m_home));
    m_language = QStringLiteral("English");
    m_panel = new RightMenuWidget;
    m_panel->setSubprogramCounter([] { return 2; });
    m_panel->clear();
    m_panel->resize(420, 1200);
    m_panel->show();
}

void tst_PanelCompile::selectLanguage(const QString &language)
{
    if (language == m_language)
        return;
    m_panel->hideEditors();
    QVERIFY(LanguageCatalog::instance().select(language));
    HardwareDescription *description = LanguageCatalog::instance().current();
    AppContext::instance().setCommandMap(description->commandMap());
    AppContext::instance().setGadgetMap(description->gadgetMap());
    AppContext::instance().setPinMap(description->pinMap());
    AppContext::instance().readConfiguration(PanelFixture::configuration());
    m_panel->renewTexts();
    m_language = language;
}

void tst_PanelCompile::editedCommandsCompile_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kind");

    const QStringList languages = LanguageCatalog::instance().languageNames();
    QVERIFY(languages.size() >= 1);
    for (const QString &language : languages) {
        QVERIFY(LanguageCatalog::instance().select(language));
        const QList<Command *> commands = LanguageCatalog::instance().current()->commands();
        QVERIFY(!commands.isEmpty());
        for (const Command *command : commands) {
            for (int kind : command->allowedConditions()) {
                QTest::addRow("%s %s kind %d", qPrintable(language), qPrintable(command->name()),
                              kind)
                    << language << command->name() << kind;
            }
        }
    }
    QVERIFY(LanguageCatalog::instance().select(m_language));
    AppContext::instance().setCommandMap(LanguageCatalog::instance().current()->commandMap());
    AppContext::instance().setGadgetMap(LanguageCatalog::instance().current()->gadgetMap());
    AppContext::instance().readConfiguration(PanelFixture::configuration());
}

void tst_PanelCompile::editedCommandsCompile()
{
    QFETCH(QString, language);
    QFETCH(QString, name);
    QFETCH(int, kind);

    selectLanguage(language);
    const Command *entry = AppContext::instance().commandMap().value(name);
    QVERIFY(entry);
    Command command(*entry);
    command.load(command.initialJson());
    command.setConditionKind(kind);
    QCOMPARE(command.conditionKind(), kind);

    m_panel->setCommand(&command);
    const QJsonObject selected = command.json();
    PanelFixture::changeEveryControl(m_panel);
    const QJsonObject edited = command.json();
    QCOMPARE(edited, m_panel->commandJson());
    if (!command.inputs().isEmpty() || kind != Command::Always)
        QVERIFY2(edited != selected, qPrintable(QJsonDocument(edited).toJson()));

    // A cycle's start and end only compile together.
    QJsonArray program{edited};
    const auto bare = [](const char *name) {
        return QJsonObject{{"conditions", QJsonObject{{"type", "always"}}},
                           {"action", QJsonObject{{"command", name}}}};
    };
    if (name == "mStartCycle")
        program.append(bare("mEndCycle"));
    if (name == "mEndCycle")
        program.prepend(bare("mStartCycle"));
    const QJsonObject document{{"ProgData", QJsonArray{program, QJsonArray{}, QJsonArray{}}},
                               {"configuration", AppContext::instance().writeConfiguration()}};
    ImageBuilder builder;
    const ImageBuilder::Result result = builder.buildImage(document);
    QVERIFY2(result.success, qPrintable(QJsonDocument(edited).toJson(QJsonDocument::Compact)));
}

QTEST_MAIN(tst_PanelCompile)
#include "tst_panelcompile.moc"
