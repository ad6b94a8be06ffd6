#include "sensorpanel.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "command.h"
#include "conditionlevels.h"
#include "mworker.h"
#include "panelslog.h"
#include "panelstyle.h"
#include "programselection.h"
#include "programstore.h"
#include "sensorchart.h"
#include "sensorcsv.h"
#include "sensorrecord.h"

#include <QBuffer>
#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct SpanChoice
{
    int ms;
    const char *key;
};

const SpanChoice kSpans[] = {
    {10000, "SensorSpan10s"},
    {30000, "SensorSpan30s"},
    {SensorPanel::kLongestSpanMs, "SensorSpan2min"},
};

QString text(const char *key)
{
    return AppContext::instance().text(QLatin1String(key));
}

} // namespace

SensorPanel::SensorPanel(QWidget *parent)
    : QDockWidget(parent)
{
    setObjectName(QStringLiteral("SensorPanel"));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable);
    m_clock.start();

    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    auto *controls = new QHBoxLayout;
    controls->setSpacing(6);
    m_span = new QComboBox(content);
    for (const SpanChoice &span : kSpans)
        m_span->addItem(QString(), span.ms);
    m_span->setCurrentIndex(m_span->findData(kDefaultSpanMs));
    // Picture buttons, so that the row fits the narrow panel in every language.
    m_pause = new QToolButton(content);
    m_pause->setCheckable(true);
    m_clear = new QToolButton(content);
    m_save = new QToolButton(content);
    m_save->setPopupMode(QToolButton::InstantPopup);
    for (QToolButton *button : {m_pause, m_clear, m_save}) {
        button->setProperty("picture", true);
        button->setAutoRaise(true);
    }
    auto *saveMenu = new QMenu(m_save);
    saveMenu->addAction(QString(), this, [this] { chooseFile(true); });
    saveMenu->addAction(QString(), this, [this] { chooseFile(false); });
    m_save->setMenu(saveMenu);
    controls->addWidget(m_span, 1);
    controls->addWidget(m_pause);
    controls->addWidget(m_clear);
    controls->addWidget(m_save);
    layout->addLayout(controls);

    m_chart = new SensorChart;
    m_scroll = new QScrollArea(content);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidget(m_chart);
    layout->addWidget(m_scroll, 1);
    setWidget(content);

    connect(m_span, &QComboBox::currentIndexChanged, this,
            [this] { m_chart->setSpanMs(spanMs()); });
    connect(m_pause, &QToolButton::toggled, this, &SensorPanel::showPauseTexts);
    connect(m_clear, &QToolButton::clicked, this, &SensorPanel::clear);
    connect(m_chart, &SensorChart::levelChosen, this, &SensorPanel::levelChosen);

    m_chart->setSpanMs(spanMs());
    renewTexts();
}

SensorPanel::~SensorPanel() = default;

void SensorPanel::connectToEditor(mWorker *worker, ProgramSelection *selection)
{
    if (worker) {
        connect(worker, &mWorker::sigStatePacket, this, &SensorPanel::takeReport,
                Qt::UniqueConnection);
    }
    m_selection = selection;
    if (selection) {
        connect(selection, &ProgramSelection::selectionChanged, this,
                &SensorPanel::refreshThresholds, Qt::UniqueConnection);
        connect(selection, &ProgramSelection::programChanged, this, &SensorPanel::refreshThresholds,
                Qt::UniqueConnection);
    }
    connect(&AppContext::instance(), &AppContext::pinAssignmentsChanged, this,
            &SensorPanel::refreshTraces, Qt::UniqueConnection);
    refreshTraces();
}

void SensorPanel::renewTexts()
{
    setWindowTitle(text("SensorPanelTitle"));
    for (int i = 0; i < m_span->count(); ++i)
        m_span->setItemText(i, text(kSpans[i].key));
    m_span->setToolTip(text("SensorSpanHint"));
    const int iconSize = AppContext::instance().dimension(QStringLiteral("SidePanelIconSize"), 24);
    m_pause->setIcon(
        PanelStyle::icon(QStringLiteral("panel_pause"), QStringLiteral("panel_resume")));
    showPauseTexts();
    AccessibleText::set(m_span, "SensorSpanHint");
    AccessibleText::set(m_clear, "SensorClear");
    AccessibleText::set(m_save, "SensorSave");
    AccessibleText::set(m_scroll, "SensorPanelTitle");
    AccessibleText::set(m_chart, "SensorPanelTitle", "SensorDragHint");
    m_clear->setIcon(PanelStyle::icon(QStringLiteral("panel_clear")));
    m_clear->setToolTip(text("SensorClear"));
    m_save->setIcon(PanelStyle::icon(QStringLiteral("panel_save")));
    m_save->setToolTip(text("SensorSave"));
    for (QToolButton *button : {m_pause, m_clear, m_save})
        button->setIconSize(QSize(iconSize, iconSize));
    const QList<QAction *> saveActions = m_save->menu()->actions();
    saveActions.at(0)->setText(text("SensorSaveCsv"));
    saveActions.at(1)->setText(text("SensorSavePng"));
    // As narrow as the robot view may be, so that the panels share one column.
    setMinimumWidth(AppContext::instance().dimension(QStringLiteral("SidePanelWidth"), 260));
    m_chart->setToolTip(text("SensorDragHint"));
    m_chart->setSecondsPattern(text("SensorSeconds"));
    m_chart->renewSizes();
    PanelStyle::apply(this, widget());
    m_chart->setTraces(m_traces, captions());
    showState();
}

QStringList SensorPanel::captions() const
{
    const QString pattern = text("SensorTraceName");
    QStringList list;
    for (const SensorTrace &trace : m_traces)
        list.append(trace.caption(pattern));
    return list;
}

qint64 SensorPanel::spanMs() const
{
    return m_span->currentData().toLongLong();
}

void SensorPanel::setSpanMs(qint64 spanMs)
{
    const int index = m_span->findData(int(spanMs));
    m_span->setCurrentIndex(index >= 0 ? index : m_span->findData(kDefaultSpanMs));
}

qint64 SensorPanel::now() const
{
    return m_now ? m_now() : m_clock.elapsed();
}

void SensorPanel::showEvent(QShowEvent *event)
{
    QDockWidget::showEvent(event);
    m_shown = true;
}

void SensorPanel::takeReport(const QJsonObject &report)
{
    if (isPaused() || !m_shown)
        return;
    // The record is made with the first packet the shown panel gets: an editor that never
    // shows it, or never talks to a controller, keeps none.
    if (!m_record) {
        m_record = std::make_unique<SensorRecord>(kLongestSpanMs / kShortestPacketMs);
        m_chart->setRecord(m_record.get());
    }
    const qint64 time = now();
    const std::optional<SensorSample> sample =
        SensorSample::fromReport(report, m_origin < 0 ? 0 : time - m_origin);
    if (!sample) {
        if (!std::exchange(m_reportedBadReport, true))
            qCWarning(lcPanels) << "A state report without inputs; the sensor chart skips it";
        return;
    }
    if (m_origin < 0)
        m_origin = time;
    const bool first = m_record->isEmpty();
    m_record->append(*sample);
    m_chart->recordChanged();
    if (first)
        showState();
}

bool SensorPanel::isPaused() const
{
    return m_pause->isChecked();
}

void SensorPanel::setPaused(bool paused)
{
    m_pause->setChecked(paused);
}

void SensorPanel::showPauseTexts()
{
    const char *key = isPaused() ? "SensorResume" : "SensorPause";
    m_pause->setToolTip(text(key));
    AccessibleText::set(m_pause, key);
}

void SensorPanel::clear()
{
    if (m_record)
        m_record->clear();
    m_origin = -1;
    m_chart->update();
    showState();
}

void SensorPanel::refreshTraces()
{
    m_traces = SensorTrace::fromAssignments(AppContext::instance().inputAssignments());
    m_chart->setTraces(m_traces, captions());
    refreshThresholds();
    showState();
}

void SensorPanel::refreshThresholds()
{
    QList<ConditionThreshold> thresholds;
    if (const Command *command = m_selection ? m_selection->selectedCommand() : nullptr)
        thresholds = ConditionLevels::thresholds(command->json(), command->conditionKind());
    m_chart->setThresholds(thresholds);
}

void SensorPanel::levelChosen(int condition, int which, int level)
{
    if (const Command *command = m_selection ? m_selection->selectedCommand() : nullptr)
        m_selection->applyEdit(
            ConditionLevels::withLevel(command->json(), condition, which, level));
    refreshThresholds();
}

void SensorPanel::showState()
{
    QString message;
    if (m_traces.isEmpty())
        message = text("SensorNoInputs");
    else if (!m_record || m_record->isEmpty())
        message = text("SensorWaiting");
    m_chart->setMessage(message);
    m_save->setEnabled(m_record && !m_record->isEmpty());
}

QByteArray SensorPanel::csvText() const
{
    const SensorRecord empty(1);
    return SensorCsv::text(m_record ? *m_record : empty, m_traces, text("SensorCsvTime"),
                           captions());
}

bool SensorPanel::saveCsv(const QString &path)
{
    if (ProgramStore::saveBytes(path, csvText()))
        return true;
    showSaveFailure(path);
    return false;
}

bool SensorPanel::savePng(const QString &path)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!m_chart->grab().toImage().save(&buffer, "PNG"))
        qCWarning(lcPanels).noquote() << QStringLiteral("Cannot encode the chart for %1").arg(path);
    else if (ProgramStore::saveBytes(path, png))
        return true;
    showSaveFailure(path);
    return false;
}

void SensorPanel::showSaveFailure(const QString &path)
{
    // Not modal to the event loop: the chart and the link keep running.
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                text("SensorSaveFailed").arg(path), QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("notice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void SensorPanel::chooseFile(bool csv)
{
    const QString suffix = csv ? QStringLiteral("csv") : QStringLiteral("png");
    const QString name =
        QStringLiteral("%1-%2.%3")
            .arg(text("SensorFileName"),
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")), suffix);
    const QString folder = AppContext::instance().store().dataFolder();
    QString path = QFileDialog::getSaveFileName(this, text(csv ? "SensorSaveCsv" : "SensorSavePng"),
                                                folder + QLatin1Char('/') + name,
                                                text(csv ? "SensorCsvFilter" : "SensorPngFilter"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + suffix;
    if (csv)
        saveCsv(path);
    else
        savePng(path);
}

QJsonObject SensorPanel::state() const
{
    return {{QStringLiteral("SensorSpanMs"), spanMs()}};
}

void SensorPanel::restoreState(const QJsonObject &state)
{
    if (state.contains(QStringLiteral("SensorSpanMs")))
        setSpanMs(state.value(QStringLiteral("SensorSpanMs")).toInteger());
}
