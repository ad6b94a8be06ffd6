#include "guidewindow.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "bluetoothconfigurationwidget.h"
#include "conditionwidget.h"
#include "configurationwidget.h"
#include "hardwaredescription.h"
#include "leftmenuwidget.h"
#include "programlistwidget.h"
#include "rightmenuwidget.h"
#include "topmenuwidget.h"
#include "uilogging.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBrowser>

namespace {

template <typename T> bool within(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (dynamic_cast<const T *>(w))
            return true;
    }
    return false;
}

const ProgramListWidget *listOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (auto *list = dynamic_cast<const ProgramListWidget *>(w))
            return list;
    }
    return nullptr;
}

QString titleOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression title(QStringLiteral("<title>(.*)</title>"),
                                          QRegularExpression::CaseInsensitiveOption);
    return title.match(QString::fromUtf8(file.readAll())).captured(1).trimmed();
}

} // namespace

GuideWindow::GuideWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("GuideWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(AppContext::instance().text(QStringLiteral("GuideTitle")));
    auto *layout = new QHBoxLayout(this);
    m_contents = new QListWidget(this);
    m_contents->setObjectName(QStringLiteral("GuideContents"));
    AccessibleText::set(m_contents, QStringLiteral("GuideContents"));
    m_contents->setWordWrap(true);
    m_contents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_contents->setSpacing(4);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("GuidePage"));
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(false);
    AccessibleText::set(m_browser, QStringLiteral("GuideTitle"));
    layout->addWidget(m_contents, 1);
    layout->addWidget(m_browser, 3);
    loadPages();
    connect(m_contents, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < m_pages.size() &&
            m_browser->source() != QUrl::fromLocalFile(m_pages.at(row).path))
            m_browser->setSource(QUrl::fromLocalFile(m_pages.at(row).path));
    });
    connect(m_browser, &QTextBrowser::sourceChanged, this, &GuideWindow::pageShown);

    const QSize available = screen() ? screen()->availableSize() : QSize(1280, 720);
    resize(qMin(available.width() - 60, 1000), qMin(available.height() - 60, 680));
}

QString GuideWindow::folder()
{
    const HardwareDescription *description = AppContext::instance().description();
    return description ? description->folderPath() + QStringLiteral("/guide") : QString();
}

void GuideWindow::loadPages()
{
    const QDir dir(folder());
    const QStringList files = dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
    for (const QString &file : files) {
        // "03_conditions.html" is the topic "conditions".
        const QString topic = file.section(QLatin1Char('_'), 1).section(QLatin1Char('.'), 0, 0);
        const QString path = dir.filePath(file);
        m_pages.append({topic, path, titleOf(path)});
        m_contents->addItem(m_pages.last().title);
    }
    if (m_pages.isEmpty()) {
        qCWarning(lcUi).noquote() << "No guide pages in" << dir.path();
        m_browser->setPlainText(
            AppContext::instance().text(QStringLiteral("GuideMissing")).arg(dir.path()));
    }
    // Pictures named "../images/…" and links to other pages resolve from the page's folder.
    m_browser->setSearchPaths({dir.path()});
}

QStringList GuideWindow::topics() const
{
    QStringList list;
    for (const Page &page : m_pages)
        list.append(page.topic);
    return list;
}

bool GuideWindow::showTopic(const QString &topic)
{
    if (m_pages.isEmpty())
        return false;
    qsizetype found = 0;
    while (found < m_pages.size() && m_pages.at(found).topic != topic)
        ++found;
    const bool known = found < m_pages.size();
    m_browser->setSource(QUrl::fromLocalFile(m_pages.at(known ? found : 0).path));
    return known;
}

QString GuideWindow::currentTopic() const
{
    for (const Page &page : m_pages) {
        if (QUrl::fromLocalFile(page.path) == m_browser->source())
            return page.topic;
    }
    return {};
}

void GuideWindow::pageShown()
{
    const QString topic = currentTopic();
    for (qsizetype i = 0; i < m_pages.size(); ++i) {
        if (m_pages.at(i).topic == topic) {
            const QSignalBlocker blocker(m_contents);
            m_contents->setCurrentRow(int(i));
        }
    }
    setWindowTitle(AppContext::instance().text(QStringLiteral("GuideTitle")) +
                   QStringLiteral(" — ") + m_browser->documentTitle());
}

void GuideWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QString GuideWindow::topicFor(const QWidget *focus)
{
    if (!focus)
        return QStringLiteral("first-program");
    // The class window is a window of its own; it is known by its object name.
    for (const QWidget *w = focus; w; w = w->parentWidget()) {
        if (w->objectName() == QLatin1String("ClassWindow"))
            return QStringLiteral("class-window");
    }
    if (within<ConditionWidget>(focus))
        return QStringLiteral("conditions");
    if (within<bluetoothconfigurationwidget>(focus) || within<ConfigurationWidget>(focus))
        return QStringLiteral("connecting");
    if (const ProgramListWidget *list = listOf(focus)) {
        const QListWidgetItem *row = list->currentItem();
        const QWidget *rowWidget =
            row ? list->itemWidget(const_cast<QListWidgetItem *>(row)) : nullptr;
        if (rowWidget && !rowWidget->isEnabled())
            return QStringLiteral("grey-tiles");
        return QStringLiteral("first-program");
    }
    if (within<LeftMenuWidget>(focus) || within<RightMenuWidget>(focus))
        return QStringLiteral("tiles");
    if (within<TopMenuWidget>(focus))
        return QStringLiteral("keys");
    return QStringLiteral("first-program");
}
