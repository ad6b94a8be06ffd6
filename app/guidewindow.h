#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QListWidget;
class QTextBrowser;

// The built-in guide of the current language: a few short local pages (the "guide" folder of
// the language folder, one HTML file a topic, named "NN_topic.html") with their contents beside
// them. No browser and no network: links lead from page to page and pictures come from the
// language's images folder.
class GuideWindow : public QWidget
{
    Q_OBJECT
public:
    explicit GuideWindow(QWidget *parent = nullptr);

    // The guide's folder of the current language.
    static QString folder();
    // The topic that fits a control with the keyboard focus, e.g. "conditions" for a condition
    // editor; "first-program" where no page fits better.
    static QString topicFor(const QWidget *focus);

    // Shows the topic's page ("first-program", "tiles", ...); false when the guide has no such
    // page, which then shows its first page.
    bool showTopic(const QString &topic);
    QString currentTopic() const;
    QStringList topics() const;
    QTextBrowser *browser() const { return m_browser; }
    QListWidget *contents() const { return m_contents; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    struct Page
    {
        QString topic;
        QString path;
        QString title;
    };

    void loadPages();
    void pageShown();

    QList<Page> m_pages;
    QListWidget *m_contents = nullptr;
    QTextBrowser *m_browser = nullptr;
};
