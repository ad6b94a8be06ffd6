#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

// Options shared by the sub-commands that talk to a controller.
struct LinkOptions
{
#if defined(Q_OS_WIN)
    static constexpr char kDeviceHelp[] =
        "The controller: serial:COMn (a cable, or the COM port Windows makes for a paired robot; "
        "serial:COMn@BAUD for another speed than 9600) or tcp://HOST:PORT (a virtual controller).";
#else
    static constexpr char kDeviceHelp[] =
        "The controller: a Bluetooth address, serial:PATH (a cable or a bound Bluetooth module; "
        "serial:PATH@BAUD for another speed than 9600) or tcp://HOST:PORT (a virtual controller).";
#endif
    static constexpr int kDefaultTimeoutSeconds = 30;

    QCommandLineOption device{QStringLiteral("device"), QString::fromLatin1(kDeviceHelp),
                              QStringLiteral("ADDRESS")};
    QCommandLineOption timeout{QStringLiteral("timeout"),
                               QStringLiteral("Give up after <S> seconds (default 30)."),
                               QStringLiteral("S"), QStringLiteral("30")};
    QCommandLineOption verbose{QStringLiteral("verbose"),
                               QStringLiteral("Write the whole log to standard error: every "
                                              "exchange with the controller and the compiler's "
                                              "trace (QT_LOGGING_RULES can choose its parts).")};

    void addTo(QCommandLineParser &parser) const
    {
        parser.addOptions({device, timeout, verbose});
    }

    // Address and timeout from the parsed options; an error line and nothing when unusable (a
    // --device given more than once, too, for the commands that work on one robot).
    std::optional<QString> address(const QCommandLineParser &parser) const;
    // Every --device, in the order given; an error line and nothing when one is unusable or
    // given twice.
    std::optional<QStringList> addresses(const QCommandLineParser &parser) const;
    std::optional<int> timeoutSeconds(const QCommandLineParser &parser) const;

    // The whole log only with --verbose; the reason of a failure is printed anyway.
    void installLogging(const QCommandLineParser &parser) const;
    static void installLogging(bool verbose);

    // A LinkProblem code in words, for a failure line.
    static QString problemText(int problem, const QString &device = {}, const QString &detail = {});
};
