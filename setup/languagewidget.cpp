#include "languagewidget.h"

#include "accessibletext.h"
#include "appcontext.h"
#include "languagecatalog.h"
#include "programstore.h"
#include "setuplogging.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

LanguageWidget::LanguageWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("LanguageWidget"));
    setWindowFlags(windowFlags() | Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    // The editor waits for the choice: it is rebuilt (or its worker restarted) afterwards.
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_StyledBackground);
    AppContext &context = AppContext::instance();
    setWindowTitle(context.text(QStringLiteral("LanguageName")));
    setMinimumSize(800, 600);
    setStyleSheet(QStringLiteral(
        "QWidget#LanguageWidget { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
        " stop:0 rgba(5, 46, 60, 255), stop: 0.5 rgba(17, 80, 103, 255),"
        " stop:1 rgba(25, 104, 134, 255)); }"
        "QListWidget { background: rgba(255, 255, 255, 235); border: 2px solid rgb(36, 133, 182);"
        " border-radius: 10px; padding: 8px; font-size: 22px; }"
        "QListWidget::item { padding: 10px; border-radius: 6px; }"
        "QListWidget::item:selected { background: rgb(36, 133, 182); color: white; }"
        "QPushButton { background: rgb(36, 133, 182); color: white; font-weight: bold;"
        " font-size: 20px; border-radius: 10px; padding: 10px 40px; }"
        "QPushButton:hover { background: rgb(56, 160, 210); }"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(60, 40, 60, 40);
    layout->setSpacing(24);

    m_list = new QListWidget(this);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    const QStringList names = LanguageCatalog::instance().languageNames();
    m_list->addItems(names);
    layout->addWidget(m_list, 1);

    m_saveButton = new QPushButton(context.text(QStringLiteral("LanguageSave")), this);
    layout->addWidget(m_saveButton, 0, Qt::AlignHCenter);

    // The language in use is offered first; without one, the first entry.
    const int current = int(names.indexOf(context.store().language()));
    if (m_list->count() > 0)
        m_list->setCurrentRow(current >= 0 ? current : 0);

    AccessibleText::set(m_list, QStringLiteral("LanguageName"));
    // Esc leaves without a choice, as closing the window does.
    auto *leave = new QAction(this);
    leave->setShortcut(QKeySequence(Qt::Key_Escape));
    addAction(leave);
    connect(leave, &QAction::triggered, this, &QWidget::close);

    connect(m_saveButton, &QPushButton::clicked, this, &LanguageWidget::SaveButtonClick);
    connect(m_list, &QListWidget::itemActivated, this, &LanguageWidget::SaveButtonClick);
}

void LanguageWidget::SaveButtonClick()
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty())
        return;
    const QString name = selected.first()->text();
    m_answered = true;

    ProgramStore &store = AppContext::instance().store();
    // Compared with the language the user chose last, not with the catalog's fallback: at the
    // first start nothing is chosen yet, and the first entry must still build the window.
    if (name == store.language()) {
        close();
        emit LanguageChange(false);
        return;
    }
    store.setLanguage(name);
    if (!LanguageCatalog::instance().select(name))
        qCWarning(lcSetup) << "Language" << name << "not found; the first one is used";
    close();
    emit LanguageChange(true);
}

void LanguageWidget::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // In the middle of the screen, where the eye looks first; a window system that places
    // windows itself may still do so.
    if (event->spontaneous())
        return;
    const QScreen *shown = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!shown)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(shown->availableGeometry().center());
    move(frame.topLeft());
}

void LanguageWidget::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (!m_answered) {
        m_answered = true;
        emit LanguageChange(false);
    }
}
