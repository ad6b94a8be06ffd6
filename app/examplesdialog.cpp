#include "examplesdialog.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "shippeddata.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString text(const QString &key)
{
    return AppContext::instance().text(key);
}

// A world is named by its "name", itself a dictionary key, as in the robot view's picker.
QString worldName(const QString &folder)
{
    QFile file(ShippedData::folderHolding(QStringLiteral("worlds")) + QStringLiteral("/worlds/") +
               folder + QStringLiteral("/world.json"));
    const QString key = file.open(QIODevice::ReadOnly)
                            ? QJsonDocument::fromJson(file.readAll()).object().value("name").toString()
                            : QString();
    return AppContext::instance().hasText(key) ? text(key) : folder;
}

} // namespace

ExamplesDialog::ExamplesDialog(const QList<ExampleProgram> &examples, QWidget *parent)
    : QDialog(parent)
    , m_examples(examples)
{
    setObjectName(QStringLiteral("ExamplesDialog"));
    setWindowTitle(text(QStringLiteral("ExamplesTitle")));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(text(QStringLiteral("ExamplesIntro")), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("ExamplesList"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(false);
    m_list->setWordWrap(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setHeaderLabels({text(QStringLiteral("ExamplesColumnName")),
                             text(QStringLiteral("ExamplesColumnText")),
                             text(QStringLiteral("ExamplesColumnWorld"))});
    intro->setBuddy(m_list);
    AccessibleText::set(m_list, QStringLiteral("ExamplesTitle"), QStringLiteral("ExamplesIntro"));
    QFont titleFont = m_list->font();
    titleFont.setBold(true);
    for (const ExampleProgram &example : examples) {
        auto *item = new QTreeWidgetItem(
            m_list, {text(example.titleKey), text(example.descriptionKey), worldName(example.world)});
        item->setFont(0, titleFont);
        item->setToolTip(1, item->text(1));
    }
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    layout->addWidget(m_list, 1);

    auto *buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(text(QStringLiteral("ExamplesOpen")), QDialogButtonBox::AcceptRole);
    buttons->addButton(text(QStringLiteral("ExamplesCancel")), QDialogButtonBox::RejectRole);
    m_open->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QTreeWidget::itemActivated, this, &QDialog::accept);
    connect(m_list, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *current) { m_open->setEnabled(current != nullptr); });
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    m_open->setEnabled(m_list->currentItem() != nullptr);
    m_list->setFocus();

    // Wide enough for every description on one or two lines, never wider than the screen.
    const QSize available = screen() ? screen()->availableSize() : QSize(1280, 720);
    resize(qMin(available.width() - 80, 1000), qMin(available.height() - 80, 620));
}

std::optional<ExampleProgram> ExamplesDialog::chosen() const
{
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    if (result() != QDialog::Accepted || row < 0 || row >= m_examples.size())
        return std::nullopt;
    return m_examples.at(row);
}
