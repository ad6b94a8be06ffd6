#pragma once

#include "linkstatus.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QHash>
#include <QString>
#include <QTimer>

class FirmwareFlasher;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class mWorker;

// The link tab of the settings dialog: find and choose the controller, watch the connection,
// rename the controller, and flash its firmware over a serial port.
class bluetoothconfigurationwidget : public QFrame
{
    Q_OBJECT
public:
    struct StatusLook
    {
        QString text;
        QString style;
    };

    explicit bluetoothconfigurationwidget(QWidget *parent = nullptr);

    // Makes the page's connections to the link facade (search, choice, renaming, status).
    void connectWorker(mWorker *worker);

    // The device chosen last (or given at start-up), as a device text.
    QString currentDeviceText() const { return m_deviceText; }
    // A device text from the saved state: becomes the chosen device and is handed to the link.
    void setDevice(const QString &deviceText);

    bool isFlashing() const;
    FirmwareFlasher *flasher() const { return m_flasher; }

    // Text and colour style for a connection status number of the link.
    StatusLook connectionStatusLook(int value) const;
    // What a device text looks like to the user: name and address, or the text itself when it is
    // not a well-formed device text.
    static QString displayText(const QString &deviceText);
    // The device's name as the user knows it (the virtual controller's in the user's language).
    static QString shownName(const QString &deviceText);
    // What a reader says of a device: its name, and its address with the kind of link.
    static QString spokenText(const QString &deviceText);
    // The device text to connect with: a serial port gets the kit's line speed.
    static QString withKitSpeed(const QString &deviceText);

    QLabel *deviceLabel() const { return m_deviceLabel; }
    QLabel *searchStatusLabel() const { return m_searchStatus; }
    QProgressBar *searchProgress() const { return m_searchProgress; }
    QLabel *statusLabel() const { return m_statusLabel; }
    QPushButton *searchButton() const { return m_searchButton; }
    QListWidget *deviceList() const { return m_deviceList; }
    QPushButton *selectButton() const { return m_selectButton; }
    QPushButton *showMeButton() const { return m_showMeButton; }
    QComboBox *comPortBox() const { return m_comPortBox; }
    QLabel *firmwareStatusLabel() const { return m_firmwareStatus; }
    QPushButton *firmwareButton() const { return m_firmwareButton; }
    QLineEdit *nameEdit() const { return m_nameEdit; }
    QLabel *renameStatusLabel() const { return m_renameStatus; }
    QPushButton *changeButton() const { return m_changeButton; }

signals:
    void signalToSlotMwSelectDevice(QString deviceText);
    void bluetoothSuccesConnected(QString deviceText);
    void signalToChangeName(QString comName, QString deviceName);
    // "Show me" on a found device: it shows itself without the editor's link letting go.
    void identifyRequested(QString deviceText);

public slots:
    void slotToSigConnectOK(int value);
    void slotToSigErrorConnect();
    void slotToSigFindDevice(QString deviceName);
    void slotToSigEndFindDevices();
    void slotToStartFirmware();
    void slotToChangeName();
    void slotToResultChangeName(bool result, QString status);
    void slotToSigSearchStarted(int durationMs);
    void slotToSigSearchEnded(int robotCount, int problem);
    void slotToSigFoundDeviceKind(QString deviceText, int kind);
    void slotToSigLinkProblem(int problem, QString detail);

private slots:
    void slotToClickSearchDevice();
    void slotToSelectDevice();
    void ChangeStatusSelectButton();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Listing the serial ports reads the system's device tree; it waits until the page is shown
    // or a port is needed.
    void listSerialPorts();
    QFrame *makeGroup();
    // Both status lines, from what the link reported last.
    void showLines();
    void showStatus(const StatusLook &look);
    StatusLook lookOf(const LinkStatus::Words &words) const;
    void showDevice(const QString &deviceText);
    void chooseDevice(const QString &deviceText);
    void showSearchProgress();
    void onFlashingFinished(bool success);

    QString m_textDirectoryNotFound;
    QString m_textFileNotFound;
    QString m_textConfNotFound;
    QString m_textFirmwareSuccess;
    QString m_textFirmwareError;
    QString m_textFirmwareProcess;

    QString m_deviceText;
    LinkStatus m_status;
    // What the search said of each device it found (FoundDeviceKind), for the list's marks.
    QHash<QString, int> m_deviceKinds;
    QTimer m_searchTicker;
    QElapsedTimer m_searchClock;
    int m_searchMs = 0;

    QLabel *m_deviceLabel = nullptr;
    QWidget *m_statusRow = nullptr;
    QFrame *m_statusPlate = nullptr;
    QLabel *m_statusLabel = nullptr;
    QPushButton *m_searchButton = nullptr;
    QListWidget *m_deviceList = nullptr;
    QProgressBar *m_searchProgress = nullptr;
    QWidget *m_searchRow = nullptr;
    QLabel *m_searchStatus = nullptr;
    QPushButton *m_selectButton = nullptr;
    QPushButton *m_showMeButton = nullptr;
    QComboBox *m_comPortBox = nullptr;
    QLabel *m_firmwareStatus = nullptr;
    QPushButton *m_firmwareButton = nullptr;
    QLineEdit *m_nameEdit = nullptr;
    QLabel *m_renameStatus = nullptr;
    QPushButton *m_changeButton = nullptr;
    FirmwareFlasher *m_flasher = nullptr;
    bool m_portsListed = false;
};
