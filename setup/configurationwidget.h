#pragma once

#include <QFrame>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

class CalibrationWidget;
class ClickableRoundLabel;
class PinConfigurationWidget;
class QIconFrame;
class QTabWidget;
class QVBoxLayout;
class bluetoothconfigurationwidget;
class mWorker;

// The settings dialog: which gadget sits on which pin, the calibration of the drive motors and
// servos, and the controller link. Saving writes the choices into AppContext; leaving without
// saving keeps it as it was.
class ConfigurationWidget : public QFrame
{
    Q_OBJECT
public:
    explicit ConfigurationWidget(QWidget *parent = nullptr);

    // Shows the configuration held by AppContext and the device of the program store; called
    // before every opening, so that leaving without saving forgets the unsaved choices.
    void loadConfiguration();
    // Loads the configuration and shows the dialog: maximized when bit 1 of "MaximizeType" is
    // set, full screen otherwise.
    void openDialog();

    // Wires the link tab to the facade (search, choice, renaming, connection status).
    void connectWorker(mWorker *worker);
    bluetoothconfigurationwidget *bluetoothPage() const { return m_bluetoothPage; }
    // A device for this run only (the built-in virtual controller): chosen and shown like any
    // other, but neither saved as the user's device nor replaced by the saved one on opening,
    // until the user chooses another device.
    void useSessionDevice(const QString &deviceText);
    // True while firmware is being flashed; the dialog cannot be left then.
    bool isFlashing() const;
    // True when a pin or a calibration differs from what the dialog showed when it opened.
    bool hasUnsavedChanges() const;

    QTabWidget *tabs() const { return m_tabs; }
    // The pin and calibration pages are built when first needed: most runs never open the
    // dialog. Asking for their parts builds them.
    QIconFrame *board() const;
    const QList<PinConfigurationWidget *> &pinWidgets() const;
    PinConfigurationWidget *pinWidget(const QString &pinName) const;
    QList<PinConfigurationWidget *> groupPins(const QString &groupName) const;
    CalibrationWidget *calibrationRow(const QString &name) const;
    QStringList motorRowNames() const;
    QStringList servoRowNames() const;
    ClickableRoundLabel *saveButton() const { return m_saveButton; }
    ClickableRoundLabel *exitButton() const { return m_exitButton; }

signals:
    void exitSignal();
    void saveConfigSignal();
    void settingsChanged(int gadgetFlags);

private slots:
    void exit();
    void save();
    void updateGroup(QString pinName, QString gadgetName);
    void checkCalibration(int gadgetId, QString pin);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Building the pages shows nothing new and changes no choice, so the const accessors may.
    void ensurePages() const;
    void buildPages();
    QWidget *buildPinsTab();
    QWidget *buildCalibrationTab();
    CalibrationWidget *addCalibrationRow(const QString &name, int value, int gadgetId);
    void removeCalibrationRow(const QString &name);
    void setCalibrationRow(const QString &name, int value, int gadgetId);
    bool gadgetStillPlaced(int gadgetId) const;
    QStringList rowNames(const QVBoxLayout *column) const;
    // Shows the notification and returns true while firmware is being flashed.
    bool refuseWhileFlashing();
    // The pins' gadgets and the calibration values, as the dialog shows them now.
    QJsonObject choices() const;

    QTabWidget *m_tabs = nullptr;
    QWidget *m_pinsPage = nullptr;
    QWidget *m_calibrationPage = nullptr;
    bool m_pagesBuilt = false;
    QIconFrame *m_board = nullptr;
    QList<PinConfigurationWidget *> m_pinWidgets;
    QMap<QString, PinConfigurationWidget *> m_pinsByName;
    QMap<QString, QList<PinConfigurationWidget *>> m_groupPins;
    QMap<QString, CalibrationWidget *> m_calibrations;
    QVBoxLayout *m_motorColumn = nullptr;
    QVBoxLayout *m_servoColumn = nullptr;
    bluetoothconfigurationwidget *m_bluetoothPage = nullptr;
    ClickableRoundLabel *m_saveButton = nullptr;
    ClickableRoundLabel *m_exitButton = nullptr;
    QString m_sessionDevice;
    // choices() when the dialog was loaded.
    QJsonObject m_loadedChoices;
};
