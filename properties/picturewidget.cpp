#include "picturewidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "checkableroundlabel.h"
#include "command.h"
#include "focusgrid.h"
#include "propertyvalues.h"

#include <QGridLayout>
#include <QJsonArray>
#include <QVBoxLayout>

PictureWidget::PictureWidget(QWidget *parent)
    : RightMenuInputsWidget(parent)
{
    AppContext &context = AppContext::instance();
    const QIcon set = context.icon(QStringLiteral("picture_bit_set.svg"));
    const QIcon disabled = context.icon(QStringLiteral("picture_bit_disable.svg"));
    const QIcon reset = context.icon(QStringLiteral("picture_bit_reset.svg"));
    const int width = context.dimension(QStringLiteral("PictureWidgetWidth"), 40);
    const int height = context.dimension(QStringLiteral("PictureWidgetHeight"), 40);

    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("PictureWidget { background: transparent; }"));
    auto *grid = new QGridLayout;
    grid->setSpacing(0);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < CellCount; ++i) {
        // Each cell draws its left and top edge; the last column and row close the grid.
        auto *frame = new QFrame(this);
        frame->setObjectName(QStringLiteral("pictureCell"));
        QString border = QStringLiteral("border-left: 2px solid cyan; border-top: 2px solid cyan;");
        if ((i + 1) % 8 == 0)
            border += QStringLiteral(" border-right: 2px solid cyan;");
        if (i > 55)
            border += QStringLiteral(" border-bottom: 2px solid cyan;");
        frame->setStyleSheet(
            QStringLiteral("QFrame#pictureCell { background: transparent; %1 }").arg(border));
        auto *cellLayout = new QVBoxLayout(frame);
        cellLayout->setContentsMargins(0, 0, 0, 0);
        auto *cell = new CheckableRoundLabel(set, disabled, reset, width, height, QString(), frame);
        AccessibleText::setTexts(
            cell, AccessibleText::format(QStringLiteral("PictureCellName"), QStringLiteral("%1 %2"))
                      .arg(i / 8 + 1)
                      .arg(i % 8 + 1));
        cellLayout->addWidget(cell);
        grid->addWidget(frame, i / 8, i % 8);
        m_cells.append(cell);
        connect(cell, &CheckableRoundLabel::clicked, this, &PictureWidget::changeCommandData);
    }
    // One stop for the whole picture; the arrows walk from cell to cell, Space flips one.
    auto *cells = new FocusGrid(8, this);
    cells->setWidgets({m_cells.cbegin(), m_cells.cend()});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(grid);
    layout->addStretch(1);
}

void PictureWidget::setCommand(Command *command)
{
    RightMenuInputsWidget::setCommand(command);
    if (!command)
        return;
    // A text (the built-in default) or a short array leaves the missing cells clear.
    const QJsonArray pict = command->json()
                                .value(QStringLiteral("action"))
                                .toObject()
                                .value(QStringLiteral("pict"))
                                .toArray();
    for (int i = 0; i < CellCount; ++i)
        m_cells.at(i)->setChecked(i < pict.size() && PropertyValues::readInt(pict.at(i)) != 0);
}

QJsonObject PictureWidget::toJson()
{
    QJsonArray pict;
    for (const CheckableRoundLabel *cell : std::as_const(m_cells))
        pict.append(cell->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    return {{QStringLiteral("pict"), pict}};
}
