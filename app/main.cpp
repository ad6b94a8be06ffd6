#include "appcontext.h"
#include "centralwidget.h"
#include "firstframeprobe.h"
#include "linksocket.h"
#include "mainwindow.h"
#include "mbluetoothconnect.h"
#include "programstore.h"
#include "uilogging.h"
#include "virtualcontrollerserver.h"
#include "worksheetexport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

#if defined(Q_OS_WIN)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

QString simulatorDeviceText(quint16 port)
{
    return mBluetoothConnect::deviceText(mBluetoothConnect::kVirtualControllerName,
                                         QStringLiteral("tcp://127.0.0.1:%1").arg(port));
}

// A virtual class on the ports from here on, where they are free, so that the class keeps its
// numbers from one start to the next (it knows a virtual robot by host and port).
constexpr quint16 kClassBasePort = 47810;
constexpr int kMostVirtualRobots = 60;

// Starts a virtual controller on the port, or on any free one when that one is taken.
quint16 listenFor(VirtualControllerServer &server, quint16 port)
{
    const quint16 bound = server.listen(QHostAddress::LocalHost, port);
    return bound != 0 ? bound : server.listen(QHostAddress::LocalHost, 0);
}

// Saves a picture of the window after a delay and quits; used by tools/screenshots.sh.
void scheduleWindowGrab(MainWindow *window, const QString &path, int delayMs, int program)
{
    QTimer::singleShot(delayMs / 2, window,
                       [window, program] { CentralWidget::instance()->showProgram(program); });
    QTimer::singleShot(delayMs, window, [window, path] {
        if (!window->grab().save(path))
            qCWarning(lcUi).noquote() << "Cannot save window picture" << path;
        QApplication::exit(window->grab().isNull() ? 1 : 0);
    });
}

// Reports the first frame and the peak memory until then on stdout and quits; used by the
// start-up benchmark, which times the whole process from outside.
void reportFirstFrame(MainWindow *window)
{
    auto *probe = new FirstFrameProbe(window);
    QObject::connect(probe, &FirstFrameProbe::firstFrame, window, [] {
        std::printf("first frame, peak resident memory %lld KiB\n",
                    static_cast<long long>(FirstFrameProbe::peakResidentKiB()));
        std::fflush(stdout);
        QApplication::exit(0);
    });
}

// A worksheet made for a script needs no window, nor a display to show one on.
void stayOffscreenForExport(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if ((argument == "--export" || argument.startsWith("--export=")) &&
            !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

} // namespace

int main(int argc, char *argv[])
{
    stayOffscreenForExport(argc, argv);
    QApplication app(argc, argv);
    // The same look on every system: the style sheets are drawn for Qt's own style, and the
    // native Windows style greys the text of styled combo boxes.
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setApplicationName(QStringLiteral("Taviro Start"));
    QApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION));
    // Lets the desktop match the window to its menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("org.taviro.TaviroStart"));
#if defined(Q_OS_WIN)
    // An update or removal asks the running editor to close through the Restart Manager, which
    // starts a registered program again once the new files are in place. The state is saved on
    // the way out (commitDataRequest, aboutToQuit).
    RegisterApplicationRestart(L"", RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT);
#endif

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Program a robot controller by stacking command tiles."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulatorOption(
        QStringLiteral("simulator"),
        QStringLiteral("Start a built-in virtual controller and connect to it instead of the "
                       "saved Bluetooth device (the saved device is kept)."));
    parser.addOption(simulatorOption);
    const QCommandLineOption robotsOption(
        QStringLiteral("robots"),
        QStringLiteral("With --simulator: a virtual class of <n> robots, the first of them the "
                       "editor's, shown in the class window."),
        QStringLiteral("n"));
    parser.addOption(robotsOption);
    const QCommandLineOption deviceOption(
        QStringLiteral("device"),
        QStringLiteral("Connect to the controller at <address> instead of the saved device (the "
                       "saved device is kept): tcp://HOST:PORT (a taviro-sim), "
                       "serial:PATH[@BAUD] (serial:/dev/ttyUSB0, serial:COM5) or a Bluetooth "
                       "address such as 00:11:22:33:44:55."),
        QStringLiteral("address"));
    parser.addOption(deviceOption);
    const QCommandLineOption verboseOption(
        QStringLiteral("verbose"),
        QStringLiteral("Write the debug log to stderr (QT_LOGGING_RULES can choose its parts)."));
    parser.addOption(verboseOption);
    QCommandLineOption grabOption(
        QStringLiteral("grab-window"),
        QStringLiteral("Save a picture of the window to <file> and quit."), QStringLiteral("file"));
    grabOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(grabOption);
    QCommandLineOption grabDelayOption(QStringLiteral("grab-delay"),
                                       QStringLiteral("Milliseconds before the picture."),
                                       QStringLiteral("ms"), QStringLiteral("4000"));
    grabDelayOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(grabDelayOption);
    QCommandLineOption showProgramOption(QStringLiteral("show-program"),
                                         QStringLiteral("Program tab shown before the picture."),
                                         QStringLiteral("index"), QStringLiteral("0"));
    showProgramOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(showProgramOption);
    QCommandLineOption firstFrameOption(
        QStringLiteral("report-first-frame"),
        QStringLiteral("Say when the first frame is shown, with the peak memory, and quit."));
    firstFrameOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(firstFrameOption);
    const QCommandLineOption exportOption(
        QStringLiteral("export"),
        QStringLiteral("Write the worksheet of <program> to the file named after it (.pdf, .png "
                       "or .svg) and quit, without a window."),
        QStringLiteral("program"));
    parser.addOption(exportOption);
    const QCommandLineOption languageOption(
        QStringLiteral("language"),
        QStringLiteral("The language, by its name or locale (ru), chosen as on the language "
                       "page; with --export the worksheet's language only. The saved language "
                       "otherwise."),
        QStringLiteral("name"));
    parser.addOption(languageOption);
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("A program to open (with --export: the worksheet "
                                                "file to write)."),
                                 QStringLiteral("[file]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1 || (parser.isSet(exportOption) && files.isEmpty())) {
        std::fputs(
            parser.isSet(exportOption)
                ? "--export PROGRAM.json needs the worksheet file: OUT.pdf, OUT.png or OUT.svg\n"
                : "Only one program can be opened at a time\n",
            stderr);
        return 2;
    }
    const QString device = parser.value(deviceOption).trimmed();
    if (parser.isSet(deviceOption) && !LinkSocket::isWellFormedAddress(device)) {
        std::fprintf(stderr, "%s\n",
                     qPrintable(QStringLiteral("--device: %1 is neither tcp://HOST:PORT, "
                                               "serial:PATH nor a Bluetooth address")
                                    .arg(device)));
        return 1;
    }
    bool robotsOk = true;
    const int robots = parser.isSet(robotsOption) ? parser.value(robotsOption).toInt(&robotsOk) : 0;
    if (parser.isSet(robotsOption) && (!robotsOk || robots < 1 || robots > kMostVirtualRobots ||
                                       !parser.isSet(simulatorOption))) {
        std::fprintf(stderr, "--robots takes --simulator and a number from 1 to %d\n",
                     kMostVirtualRobots);
        return 1;
    }
    if (parser.isSet(deviceOption) && parser.isSet(simulatorOption)) {
        std::fputs("--device and --simulator cannot be used together\n", stderr);
        return 1;
    }
    // QT_LOGGING_RULES outranks these rules, so it can still narrow the log down.
    if (parser.isSet(verboseOption))
        QLoggingCategory::setFilterRules(QStringLiteral("taviro.*.debug=true\ntaviro.*.info=true"));

    try {
        if (parser.isSet(exportOption))
            return WorksheetExport::run(parser.value(exportOption), files.first(),
                                        parser.value(languageOption));
        if (parser.isSet(languageOption)) {
            const QString language = WorksheetExport::languageNamed(parser.value(languageOption));
            if (language.isEmpty()) {
                std::fprintf(stderr, "--language: no language %s\n",
                             qPrintable(parser.value(languageOption)));
                return 2;
            }
            AppContext::instance().store().setLanguage(language);
        }
        std::unique_ptr<VirtualControllerServer> simulator;
        // The rest of a virtual class, each robot with a memory of its own.
        std::vector<std::unique_ptr<VirtualControllerServer>> classmates;
        MainWindow::Options options;
        QStringList classDevices;
        if (parser.isSet(simulatorOption)) {
            simulator = std::make_unique<VirtualControllerServer>();
            const quint16 port = robots > 0 ? listenFor(*simulator, kClassBasePort)
                                            : simulator->listen(QHostAddress::LocalHost, 0);
            if (port == 0)
                throw std::runtime_error("Cannot start the virtual controller");
            qCInfo(lcUi).noquote() << "Virtual controller on 127.0.0.1 port" << port;
            options.deviceOverride = simulatorDeviceText(port);
            options.virtualController = &simulator->controller();
            for (int i = 0; i < robots; ++i) {
                quint16 classPort = port;
                if (i > 0) {
                    classmates.push_back(std::make_unique<VirtualControllerServer>());
                    classPort = listenFor(*classmates.back(), quint16(kClassBasePort + i));
                    if (classPort == 0)
                        throw std::runtime_error("Cannot start the virtual class");
                }
                // Nameless, as a new robot is: the class window calls it by the kit's word.
                classDevices.append(mBluetoothConnect::deviceText(
                    QString(), QStringLiteral("tcp://127.0.0.1:%1").arg(classPort)));
            }
        } else if (!device.isEmpty()) {
            // Named by its address, as the command line names it.
            options.deviceOverride = mBluetoothConnect::deviceText(device, device);
        }
        MainWindow window(options);
        window.setClassDevices(classDevices);
        // An "Open with" of the desktop, or a program named on the command line.
        window.openWhenBuilt(files.value(0));
        if (parser.isSet(firstFrameOption))
            reportFirstFrame(&window);
        if (parser.isSet(grabOption)) {
            scheduleWindowGrab(&window, parser.value(grabOption),
                               parser.value(grabDelayOption).toInt(),
                               parser.value(showProgramOption).toInt());
        }
        return app.exec();
    } catch (const std::runtime_error &error) {
        const QString text = QString::fromUtf8(error.what());
        qCDebug(lcUi).noquote() << QStringLiteral("Ошибка: ") + text;
        QMessageBox::critical(nullptr, QApplication::applicationName(), text);
        return -1;
    }
}
