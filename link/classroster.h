#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// The robots of a class, remembered in "Lumakit/class.json" with stable numbers. A robot is
// known by its key: its Bluetooth address; for a COM port the Bluetooth address Windows reports
// for it, else the port's name; for a virtual robot "host:port". A robot met for the first time
// gets the lowest number no other robot holds; a known one keeps its number and has its name and
// address brought up to date. Every change is saved at once, atomically. A file that cannot be
// read as a class is kept aside ("class.json.damaged-<date>") with a log line and the class
// starts empty.
class ClassRoster : public QObject
{
    Q_OBJECT
public:
    struct Robot
    {
        int number = 0;
        QString key;
        QString name;
        // The address to connect to, as the last search gave it (device text address).
        QString address;
    };

    // The class file in the program store's data folder ("…/Lumakit").
    static QString filePathIn(const QString &dataFolder);

    explicit ClassRoster(const QString &filePath, QObject *parent = nullptr);

    const QString &filePath() const { return m_filePath; }
    // Loads the file (a missing file is an empty class). False when it was damaged and set aside.
    bool load();

    // The key of a device text (mBluetoothConnect::deviceText) or of a bare address.
    static QString keyOf(const QString &deviceText);

    // A robot found by a search or named on a command line: known ones keep their number, new
    // ones are numbered. The robot as remembered now.
    Robot meet(const QString &deviceText);
    // The robot took a new name (a rename was answered). False for a robot not in the class.
    bool rename(const QString &deviceText, const QString &name);

    std::optional<Robot> robot(const QString &deviceText) const;
    // 0 for a robot not in the class.
    int numberOf(const QString &deviceText) const;
    // By number.
    QList<Robot> robots() const { return m_robots; }

signals:
    void changed();

private:
    bool save();
    int freeNumber() const;
    qsizetype indexOf(const QString &key) const;

    QString m_filePath;
    QList<Robot> m_robots;
};
