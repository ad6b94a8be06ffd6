#include "transferpanel.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "devicesentence.h"
#include "internalworker.h"
#include "mbluetoothconnect.h"
#include "transferprogress.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QStyle>

namespace {

constexpr int kResultShownMs = 10000;

QString seconds(qint64 ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 1);
}

QString dictionaryText(const char *key)
{
    return AppContext::instance().text(QLatin1String(key));
}

QString reason(int outcome)
{
    switch (outcome) {
    case LinkTransfer::LinkLost:
        return dictionaryText("TransferLinkLost");
    case LinkTransfer::GaveUp:
        return dictionaryText("TransferGaveUp").arg(internalWorker::kMaxResends);
    case LinkTransfer::NotCompiled:
        return dictionaryText("TransferNotCompiled");
    case LinkTransfer::NoProgram:
        return dictionaryText("TransferNoProgram");
    case LinkTransfer::BadAnswer:
        return dictionaryText("TransferBadAnswer");
    default:
        return dictionaryText("TransferInterrupted");
    }
}

} // namespace

// One line over the bar, whatever its length: a longer text ends in "…" and is read whole in the
// panel's tool tip. It never asks for more width than it has, so the program area's column keeps
// its width when the panel shows.
class TransferPanel::Line : public QLabel
{
public:
    explicit Line(QWidget *parent)
        : QLabel(parent)
    {
        setAlignment(Qt::AlignCenter);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        // Clear of the bar's rounded ends.
        setContentsMargins(10, 0, 10, 0);
    }

    QString fullText() const { return m_fullText; }
    void setFullText(const QString &text)
    {
        m_fullText = text;
        elide();
    }
    QSize minimumSizeHint() const override { return {0, fontMetrics().height()}; }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        elide();
    }
    void changeEvent(QEvent *event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            elide();
    }

private:
    void elide()
    {
        setText(fontMetrics().elidedText(m_fullText, Qt::ElideRight, contentsRect().width()));
    }

    QString m_fullText;
};

TransferPanel::TransferPanel(QWidget *parent)
    : QFrame(parent)
    , m_bar(new QProgressBar(this))
    , m_text(new Line(this))
{
    setObjectName(QStringLiteral("transferPanel"));
    // The bar draws no text of its own: a device name could hold its %-placeholders.
    m_bar->setTextVisible(false);
    m_bar->setMinimumHeight(
        AppContext::instance().dimension(QStringLiteral("TransferBarHeight"), 32));
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(15, 4, 15, 4);
    layout->addWidget(m_bar, 0, 0);
    layout->addWidget(m_text, 0, 0);
    setStyleSheet(QStringLiteral(
        "QProgressBar { border: 2px solid rgba(5, 46, 60, 255); border-radius: 8px; background: "
        "white; } QProgressBar::chunk { background-color: rgba(79, 221, 255, 255); "
        "border-radius: 6px; } QProgressBar[failed=\"true\"]::chunk { background-color: "
        "rgb(255, 170, 0); } QProgressBar[failed=\"true\"] { border-color: rgb(214, 40, 40); } "
        "QLabel { color: black; background: transparent; }"));
    m_bar->setProperty("failed", false);
    m_hideTimer.setSingleShot(true);
    m_hideTimer.setInterval(kResultShownMs);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

QString TransferPanel::text() const
{
    return m_text->fullText();
}

QString TransferPanel::shownText() const
{
    return m_text->text();
}

void TransferPanel::showText(const QString &text)
{
    // The editor's font, which a language change may replace after this panel was made; bold
    // stands out on the bar.
    QFont font = QApplication::font();
    font.setBold(true);
    m_text->setFont(font);
    m_text->setFullText(text);
    setToolTip(text);
    show();
}

QString TransferPanel::deviceName(const QString &deviceText)
{
    return mBluetoothConnect::shownName(
        deviceText, AccessibleText::text(QStringLiteral("VirtualControllerName")));
}

QString TransferPanel::progressText(int kind, int done, int total, qint64 elapsedMs,
                                    const QString &device, WritePlan plan)
{
    const char *key = kind == LinkTransfer::Read            ? "TransferReading"
                      : kind == LinkTransfer::Configuration ? "TransferConfiguring"
                      : plan.partial()                      ? "TransferWritingChanges"
                                                            : "TransferWriting";
    QString line = DeviceSentence::text(QLatin1String(key), device,
                                        {QString::number(done), QString::number(total)});
    const qint64 left = LinkTransfer::remainingMs(done, total, elapsedMs);
    if (left > 0) {
        const qint64 wholeSeconds = (left + 999) / 1000;
        line += QStringLiteral(", ") + dictionaryText("TransferTimeLeft").arg(wholeSeconds);
    }
    return line;
}

QString TransferPanel::endText(int kind, int outcome, qint64 elapsedMs, const QString &device,
                               WritePlan plan)
{
    if (outcome == LinkTransfer::WaitingForLink)
        return DeviceSentence::text(QStringLiteral("TransferWaitingForLink"), device);
    if (outcome == LinkTransfer::Done && kind == LinkTransfer::Write && plan.changed == 0)
        return DeviceSentence::text(QStringLiteral("TransferUnchanged"), device);
    if (outcome == LinkTransfer::Done && kind == LinkTransfer::Write && plan.partial())
        return DeviceSentence::text(
            QStringLiteral("TransferWrittenChanges"), device,
            {QString::number(plan.changed), QString::number(plan.all), seconds(elapsedMs)});
    if (outcome == LinkTransfer::Done) {
        const char *key = kind == LinkTransfer::Read            ? "TransferReadDone"
                          : kind == LinkTransfer::Configuration ? "TransferConfigured"
                                                                : "TransferWritten";
        return DeviceSentence::text(QLatin1String(key), device, {seconds(elapsedMs)});
    }
    const char *key = kind == LinkTransfer::Read            ? "TransferReadFailed"
                      : kind == LinkTransfer::Configuration ? "TransferConfigureFailed"
                                                            : "TransferWriteFailed";
    return DeviceSentence::text(QLatin1String(key), device, {reason(outcome)});
}

QString TransferPanel::runPartText(int kind, int done, int total)
{
    if (kind == LinkTransfer::Configuration)
        return dictionaryText("RunOnRobotGettingReady");
    return DeviceSentence::fill(dictionaryText("RunOnRobotWriting"),
                                {QString::number(done), QString::number(total)});
}

QString TransferPanel::runStartedText(int changed, int all, qint64 elapsedMs)
{
    if (changed == 0)
        return dictionaryText("RunOnRobotStartedUnchanged").arg(seconds(elapsedMs));
    return DeviceSentence::fill(
        dictionaryText("RunOnRobotStarted"),
        {QString::number(changed), QString::number(all), seconds(elapsedMs)});
}

void TransferPanel::showProgress(int kind, int done, int total, qint64 elapsedMs)
{
    m_hideTimer.stop();
    m_showsReady = false;
    setFailed(false);
    m_bar->setRange(0, qMax(total, 1));
    m_bar->setValue(qBound(0, done, qMax(total, 1)));
    // Within "run on the robot" the line is short: the parts follow each other quickly.
    showText(m_inRun ? runPartText(kind, done, total)
                     : progressText(kind, done, total, elapsedMs, device(),
                                    kind == LinkTransfer::Write ? m_plan : WritePlan()));
}

void TransferPanel::showWritePlan(int changedChunks, int allChunks)
{
    m_plan = {changedChunks, allChunks};
}

void TransferPanel::showRunOnRobot(int step, int changedChunks, int allChunks, qint64 elapsedMs)
{
    m_inRun = step == LinkTransfer::RunWriting || step == LinkTransfer::RunGettingReady;
    if (step != LinkTransfer::RunStarted)
        return;
    m_showsReady = false;
    setFailed(false);
    m_bar->setRange(0, 1);
    m_bar->setValue(1);
    showText(runStartedText(changedChunks, allChunks, elapsedMs));
    m_hideTimer.start();
}

void TransferPanel::followState(const QJsonObject &state)
{
    // "Ready to run" is over once the robot runs: the line would say the opposite of what it
    // does.
    const bool running = state.value(QLatin1String("stop")).toInt() == 1 &&
                         state.value(QLatin1String("start")).toInt() != 1;
    if (running && m_showsReady) {
        m_showsReady = false;
        m_hideTimer.stop();
        hide();
    }
}

void TransferPanel::showEnd(int kind, int outcome, qint64 elapsedMs)
{
    const bool ok = outcome == LinkTransfer::Done;
    m_showsReady = ok && kind == LinkTransfer::Configuration;
    setFailed(!ok && outcome != LinkTransfer::WaitingForLink);
    if (ok)
        m_bar->setValue(m_bar->maximum());
    const QString text = endText(kind, outcome, elapsedMs, device(),
                                 kind == LinkTransfer::Write ? m_plan : WritePlan());
    // A part of "run on the robot" that went well leads on to the next one.
    if (!m_inRun)
        showText(text);
    else if (!ok)
        showText(dictionaryText("RunOnRobotPart").arg(text));
    // A failure waits to be read.
    if (ok)
        m_hideTimer.start();
    else
        m_hideTimer.stop();
}

void TransferPanel::showNotice(const QString &text)
{
    m_showsReady = false;
    setFailed(false);
    m_bar->setRange(0, 1);
    m_bar->setValue(1);
    showText(text);
    m_hideTimer.start();
}

void TransferPanel::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    m_hideTimer.stop();
    hide();
}

void TransferPanel::setFailed(bool failed)
{
    if (m_failed == failed)
        return;
    m_failed = failed;
    m_bar->setProperty("failed", failed);
    m_bar->style()->unpolish(m_bar);
    m_bar->style()->polish(m_bar);
}

QString TransferPanel::device() const
{
    return m_deviceName ? m_deviceName() : QString();
}
