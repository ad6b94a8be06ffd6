#include "robotstage.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "robotview.h"

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

RobotStage::RobotStage(RobotSimulation *simulation, VirtualController *controller, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("RobotStage"));
    setAttribute(Qt::WA_DeleteOnClose);
    const AppContext &context = AppContext::instance();
    setWindowTitle(context.text(QStringLiteral("RobotViewTitle")));
    setStyleSheet(QStringLiteral("RobotStage { background: rgb(5, 46, 60); }"
                                 "QLabel { color: white; font-size: %1px; }")
                      .arg(context.dimension(QStringLiteral("RobotStageHintSize"), 18)));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    m_view = new RobotView(simulation, controller, this);
    m_view->setShowsOutputs(true);
    m_view->setToolTip(context.text(QStringLiteral("RobotViewHint")));
    AccessibleText::set(m_view, QStringLiteral("RobotViewTitle"), QStringLiteral("RobotStageHint"));
    layout->addWidget(m_view, 1);
    auto *hint = new QLabel(context.text(QStringLiteral("RobotStageHint")), this);
    hint->setAlignment(Qt::AlignCenter);
    layout->addWidget(hint);
    connect(m_view, &RobotView::fullScreenRequested, this, &QWidget::close);
    m_view->setFocus();
}

void RobotStage::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_F11) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
