#pragma once

#include "openprogram.h"

#include <QJsonObject>
#include <QMainWindow>
#include <QMap>
#include <QPointer>

#include <memory>

class CentralWidget;
class ClassRoster;
class ClassScheduler;
class ClassWindow;
class ConfigurationWidget;
class LessonsMenu;
struct ExampleProgram;
class LanguageWidget;
class QAction;
class QFrame;
class QHBoxLayout;
class QVBoxLayout;
class QtTranslations;
class StateAutosave;
class TransferPanel;
class SidePanels;
class VirtualController;
class mWorker;

// The program's only top-level window: owns the link facade, arranges the editor regions,
// dispatches the top-menu buttons and keeps the worker supplied with the current program.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    struct Options
    {
        // A device text used instead of the saved one (the built-in virtual controller). It is
        // handed to the worker only and never stored as the user's device.
        QString deviceOverride;
        // The built-in virtual controller, when there is one: the robot view shows its robot.
        QPointer<VirtualController> virtualController;
    };

    explicit MainWindow(const Options &options = {}, QWidget *parent = nullptr);
    ~MainWindow() override;

    mWorker *worker() const { return m_worker.get(); }
    QAction *undoAction() const { return m_undoAction; }
    // The window's action that presses a top-menu button by its keys; nullptr for a command
    // without keys.
    QAction *shortcutAction(const QString &command) const;
    // The regions Tab walks through, in order.
    QList<QWidget *> focusRegions() const;
    bool isBuilt() const { return m_built; }
    ConfigurationWidget *settingsDialog() const;
    TransferPanel *transferPanel() const { return m_transferPanel; }
    // How long closing waits for the robot to confirm that it halted.
    static constexpr int kHaltWaitMs = 1500;
    SidePanels *sidePanels() const { return m_panels; }
    // The class window, made when first asked for.
    ClassWindow *classWindow();
    ClassScheduler *classScheduler() const { return m_scheduler; }
    // Robots the class window lists without a search (a virtual class), as device texts.
    void setClassDevices(const QStringList &deviceTexts) { m_classDevices = deviceTexts; }

signals:
    void InitErrorSignals(const QString &errorMessage);
    void ClickLabelSignal(const QString &command);

public slots:
    void ShowErrorBox(const QString &message);
    void LabelOpenLanguageFormClick();
    void LabelOpenSettingsFormClick();
    void LabelSaveFileClick();
    void LabelClearClick();
    void LabelReadFileClick();
    void LabelWriteClick();
    void LabelReadClick();
    void LabelRestartClick();
    void LabelStartClick();
    void LabelRunOnRobotClick();
    void LabelStopClick();
    void LabelStepClick();
    void LabelSetupClick();
    void LabelCloseClick();
    void CtrlZProcessor();
    // Redoes the last undone edit of the shown program list (Ctrl+Shift+Z).
    void redoEdit();
    // Sets or clears the breakpoint of the selected row of the shown program (F9).
    void toggleBreakpoint();
    void ProgramChanged();
    void ExecuteCurrentSelectedCommand();
    void LanguageSelected(bool changed);
    void ReadProgrammFromDevice(const QJsonObject &json);

    // Loads a program file into the editor as "ReadFile" does after its dialog. A file that is
    // not a program document leaves the editor as it was, and the user is told; false then.
    bool openProgramFile(const QString &path);
    // Saves the editor's program as "SaveFile" does after its dialog; false on failure.
    bool saveProgramFile(const QString &path);

    // Saves the editor's programs, configuration, device and language to the state file; does
    // nothing before the first build, when the editor does not hold the saved work yet.
    bool saveState();
    // Stops the controller and saves the state once; the window's close, a termination signal
    // and the end of the session all come here.
    void shutDown();

    StateAutosave *autosave() const { return m_autosave; }

    LessonsMenu *lessons() const { return m_lessons; }
    // The program's name on worksheets: the file it came from or the example's title.
    QString programName() const;
    // The editor's program holds work that is in no file.
    bool hasUnsavedChanges() const { return m_openProgram.isModified(); }
    // Asks about unsaved work first; false when the user kept it (or the file is no program).
    bool openProgramFileAsking(const QString &path);
    // The file the program was started with: opened (asking first) once the window is built.
    void openWhenBuilt(const QString &path);
    // The example as a new program that is in no file yet, its world on the virtual robot.
    bool openExample(const ExampleProgram &example);
    // The worksheet of the program as the file's suffix says (.pdf, .png, .svg).
    bool exportWorksheetTo(const QString &path);

public slots:
    void LabelLessonsClick();
    void LabelClassClick();
    void openExamples();
    // Ctrl+P: the worksheet as a PDF in Lumakit/Worksheets, shown by the system's viewer.
    void showWorksheet();
    void exportWorksheet();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void build();
    void connectTopMenu();
    void createShortcuts();
    // Presses the top-menu button of a command, when there is one and it may be used now.
    void pressTopButton(const QString &command);
    void resetEditor();
    void showByMaximizeType(int bit);
    QJsonObject buildDocument() const;
    void loadIntoEditor(const QJsonObject &document);
    void showNotice(const QString &text);
    // True when the editor's program may be replaced: nothing unsaved, or the user saved it or
    // chose to leave it; the question names what is about to happen.
    bool mayLeaveProgram(const QString &questionKey);
    // Asks for a file and saves there; false when the user cancels or the save fails.
    bool saveWithDialog();
    // "Taviro Start — <file>" with Qt's modified mark.
    void showTitle();
    // Undo and redo say why they cannot be used now.
    void showHistoryButtons();
    void waitForHalt();
    QString deviceName() const;
    // The file's name, or the example's title for a new program made from one; empty otherwise.
    QString shownProgramName() const;

    Options m_options;
    std::unique_ptr<mWorker> m_worker;
    QAction *m_undoAction = nullptr;
    QMap<QString, QAction *> m_shortcutActions;
    TransferPanel *m_transferPanel = nullptr;
    QVBoxLayout *m_mainLayout = nullptr;
    QFrame *m_regionsFrame = nullptr;
    QHBoxLayout *m_regionsLayout = nullptr;
    QVBoxLayout *m_centralLayout = nullptr;
    QVBoxLayout *m_rightLayout = nullptr;
    QPointer<ConfigurationWidget> m_settings;
    StateAutosave *m_autosave = nullptr;
    QtTranslations *m_qtTranslations = nullptr;
    SidePanels *m_panels = nullptr;
    OpenProgram m_openProgram;
    bool m_built = false;
    bool m_closing = false;
    LessonsMenu *m_lessons = nullptr;
    ClassRoster *m_roster = nullptr;
    ClassScheduler *m_scheduler = nullptr;
    QPointer<ClassWindow> m_classWindow;
    QStringList m_classDevices;
    // The example's title while the program made from it is in no file yet.
    QString m_newProgramName;
    QString m_fileToOpen;
};
