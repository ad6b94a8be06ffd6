#pragma once

#include "command.h"
#include "gadgetinfo.h"
#include "imagestore.h"
#include "pininfo.h"
#include "topmenubutton.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>
#include <vector>

// Everything one base.json says: command menu, top menu, pins, gadgets, dictionary, dimensions.
// Loading publishes the dictionary, dimensions, images, pins, gadgets and commands to AppContext
// and registers the folder's font. Structural errors of the file raise std::runtime_error.
class HardwareDescription
{
public:
    explicit HardwareDescription(const QString &path);
    ~HardwareDescription();

    HardwareDescription(const HardwareDescription &) = delete;
    HardwareDescription &operator=(const HardwareDescription &) = delete;

    // Lookup in this description's own dictionary; "No key" when missing.
    QString text(const QString &key) const;

    const QString &path() const { return m_path; }
    const QString &folderPath() const { return m_folderPath; }
    const QString &language() const { return m_language; }
    const ImageStore &imageStore() const { return m_imageStore; }
    const QMap<QString, QString> &dictionary() const { return m_dictionary; }
    const QMap<QString, int> &dimensions() const { return m_dimensions; }
    const QJsonObject &json() const { return m_json; }
    // The kit's serial line speed ("SerialBaudRate"); 9600 when it names none or an odd one.
    int serialBaudRate() const;
    // The language's locale name ("Locale", such as "ru"), which picks the toolkit's own
    // translations; empty when the file names none.
    QString localeName() const;

    const QList<PinInfo> &pins() const { return m_pins; }
    const QMap<QString, PinInfo> &pinMap() const { return m_pinMap; }
    // The pin a label names; an invalid PinInfo for an unknown label.
    PinInfo pinByLabel(const QString &label) const { return m_pinMap.value(label); }
    const QList<GadgetInfo> &inputs() const { return m_inputs; }
    const QList<GadgetInfo> &outputs() const { return m_outputs; }
    const QList<GadgetInfo> &groups() const { return m_groups; }
    const QMap<int, GadgetInfo> &gadgetMap() const { return m_gadgetMap; }
    // Gadgets that may be placed on the pin: inputs, outputs, groups, each in file order.
    QList<GadgetInfo> gadgetsForPin(const PinInfo &pin) const;

    // Command menu in menu order; the description owns these templates.
    QList<Command *> commands() const;
    // Command name -> template; a later entry of the same name wins.
    const QMap<QString, Command *> &commandMap() const { return m_commandMap; }
    const QList<TopMenuButton> &topMenuButtons() const { return m_topMenuButtons; }

    // Registers the folder's font and makes it the application font (a log line when missing).
    // The registration is dropped with the description, so that switching languages back and
    // forth does not pile up copies of the font.
    void loadFont();

    // File name of the application font in a configuration folder.
    static QString fontFileName();

private:
    void load();
    void readCommandMenu();
    void readGadgets();
    void readMainMenu();

    QString m_path;
    QString m_folderPath;
    QString m_language;
    ImageStore m_imageStore;
    QMap<QString, QString> m_dictionary;
    QMap<QString, int> m_dimensions;
    QJsonObject m_json;
    QList<PinInfo> m_pins;
    QMap<QString, PinInfo> m_pinMap;
    QList<GadgetInfo> m_inputs;
    QList<GadgetInfo> m_outputs;
    QList<GadgetInfo> m_groups;
    QMap<int, GadgetInfo> m_gadgetMap;
    QMap<int, QList<GadgetInfo>> m_gadgetsByPinIndex;
    std::vector<std::unique_ptr<Command>> m_commands;
    QMap<QString, Command *> m_commandMap;
    QList<TopMenuButton> m_topMenuButtons;
    int m_fontId = -1;
};
