#pragma once

#include <QFrame>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;

// Shows a memory write, a memory read or a configuration packet under the program area while it
// goes on: bytes done of the total and, once it can be told, the time left. At the end it says in
// words what happened. A result stays a while; a failure stays until a click or the next transfer.
class TransferPanel : public QFrame
{
    Q_OBJECT
public:
    // The name of the controller the editor talks to, for the texts.
    using DeviceName = std::function<QString()>;

    explicit TransferPanel(QWidget *parent = nullptr);

    void setDeviceName(DeviceName name) { m_deviceName = std::move(name); }
    QProgressBar *bar() const { return m_bar; }
    QString text() const;
    bool failed() const { return m_failed; }

    // The device text's "Name" (the virtual controller's in the user's language), else its
    // "Address".
    static QString deviceName(const QString &deviceText);
    // The texts shown, from the dictionary (kinds and outcomes of transferprogress.h).
    static QString progressText(int kind, int done, int total, qint64 elapsedMs,
                                const QString &device);
    static QString endText(int kind, int outcome, qint64 elapsedMs, const QString &device);

public slots:
    void showProgress(int kind, int done, int total, qint64 elapsedMs);
    void showEnd(int kind, int outcome, qint64 elapsedMs);
    // A line about something done that is not a transfer (a saved file), shown like a result.
    void showNotice(const QString &text);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void setFailed(bool failed);
    QString device() const;

    QProgressBar *m_bar = nullptr;
    QLabel *m_text = nullptr;
    QTimer m_hideTimer;
    DeviceName m_deviceName;
    bool m_failed = false;
};
