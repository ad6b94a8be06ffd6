#include "examplesdialog.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "shippeddata.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

constexpr int kDescriptionRole = Qt::UserRole + 1;
constexpr int kWorldRole = Qt::UserRole + 2;
constexpr int kPadding = 8;

QString text(const QString &key)
{
    return AppContext::instance().text(key);
}

// A world is named by its "name", itself a dictionary key, as in the robot view's picker.
QString worldName(const QString &folder)
{
    QFile file(ShippedData::folderHolding(QStringLiteral("worlds")) + QStringLiteral("/worlds/") +
               folder + QStringLiteral("/world.json"));
    const QString key =
        file.open(QIODevice::ReadOnly)
            ? QJsonDocument::fromJson(file.readAll()).object().value("name").toString()
            : QString();
    return AppContext::instance().hasText(key) ? text(key) : folder;
}

// An example on three lines: its title in bold, what it does (wrapped to the list's width) and
// the world it is made for.
class ExampleDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int width = textWidth(option);
        int height = 2 * kPadding;
        for (const auto &[font, line] : lines(option, index))
            height += QFontMetrics(font)
                          .boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, line)
                          .height();
        return {width + 2 * kPadding, height};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        option.widget->style()->drawControl(QStyle::CE_ItemViewItem, &background, painter,
                                            option.widget);
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->setPen(
            option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        QRect rect = option.rect.adjusted(kPadding, kPadding, -kPadding, -kPadding);
        for (const auto &[font, line] : lines(option, index)) {
            painter->setFont(font);
            const QRect used = painter->boundingRect(rect, Qt::TextWordWrap, line);
            painter->drawText(rect, Qt::TextWordWrap, line);
            rect.setTop(used.bottom() + 1);
        }
        painter->restore();
    }

private:
    static int textWidth(const QStyleOptionViewItem &option)
    {
        const auto *view = qobject_cast<const QListWidget *>(option.widget);
        return qMax(200, (view ? view->viewport()->width() : option.rect.width()) - 2 * kPadding);
    }

    static QList<std::pair<QFont, QString>> lines(const QStyleOptionViewItem &option,
                                                  const QModelIndex &index)
    {
        QFont title = option.font;
        title.setBold(true);
        title.setPointSizeF(title.pointSizeF() * 1.15);
        QFont world = option.font;
        world.setItalic(true);
        return {{title, index.data(Qt::DisplayRole).toString()},
                {option.font, index.data(kDescriptionRole).toString()},
                {world, index.data(kWorldRole).toString()}};
    }
};

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

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("ExamplesList"));
    m_list->setItemDelegate(new ExampleDelegate(m_list));
    m_list->setResizeMode(QListView::Adjust);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    intro->setBuddy(m_list);
    AccessibleText::set(m_list, QStringLiteral("ExamplesTitle"), QStringLiteral("ExamplesIntro"));
    const QString worldCaption = text(QStringLiteral("ExamplesWorld"));
    for (const ExampleProgram &example : examples) {
        auto *item = new QListWidgetItem(text(example.titleKey), m_list);
        const QString description = text(example.descriptionKey);
        item->setData(kDescriptionRole, description);
        item->setData(kWorldRole, worldCaption + QStringLiteral(": ") + worldName(example.world));
        // A reader hears the title, then what the example does.
        item->setData(Qt::AccessibleDescriptionRole, description);
        item->setToolTip(description);
    }
    layout->addWidget(m_list, 1);

    auto *buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton(text(QStringLiteral("ExamplesOpen")), QDialogButtonBox::AcceptRole);
    buttons->addButton(text(QStringLiteral("ExamplesCancel")), QDialogButtonBox::RejectRole);
    m_open->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(m_list, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem *current) { m_open->setEnabled(current != nullptr); });
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    m_open->setEnabled(m_list->currentItem() != nullptr);
    m_list->setFocus();

    // Wide enough for most descriptions on one line, never wider than the screen.
    const QSize available = screen() ? screen()->availableSize() : QSize(1280, 720);
    resize(qMin(available.width() - 80, 900), qMin(available.height() - 60, 660));
}

std::optional<ExampleProgram> ExamplesDialog::chosen() const
{
    const int row = m_list->currentRow();
    if (result() != QDialog::Accepted || row < 0 || row >= m_examples.size())
        return std::nullopt;
    return m_examples.at(row);
}
