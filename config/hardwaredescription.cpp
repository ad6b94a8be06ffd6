#include "hardwaredescription.h"

#include "appcontext.h"
#include "configlog.h"
#include "imagenames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <cmath>
#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString &message)
{
    qCCritical(lcConfig).noquote() << message;
    throw std::runtime_error(message.toStdString());
}

// Integers of base.json: a value that is not an integral number counts as 0.
int integralOrZero(const QJsonValue &value)
{
    if (!value.isDouble())
        return 0;
    const double number = value.toDouble();
    if (std::floor(number) != number || std::abs(number) > 2147483647.0)
        return 0;
    return static_cast<int>(number);
}

QStringList stringList(const QJsonValue &value)
{
    QStringList list;
    if (value.isString()) {
        list.append(value.toString());
        return list;
    }
    const QJsonArray array = value.toArray();
    for (const QJsonValue &item : array)
        list.append(item.toString());
    return list;
}

GadgetInfo readGadget(const QJsonObject &object, GadgetInfo::Kind kind)
{
    GadgetInfo gadget;
    gadget.kind = kind;
    gadget.id = object.value(QStringLiteral("Id")).toInt();
    gadget.name = object.value(QStringLiteral("Name")).toString();
    gadget.picture = object.value(QStringLiteral("Picture")).toString();
    gadget.types = stringList(object.value(QStringLiteral("Type")));
    gadget.pins = stringList(object.value(QStringLiteral("Pins")));
    const QJsonValue calibr = object.value(QStringLiteral("Calibr"));
    if (kind == GadgetInfo::Output)
        gadget.calibr = calibr.toString().toInt(); // text; a JSON number reads as 0
    else if (kind == GadgetInfo::Group)
        gadget.calibr = calibr.toInt();
    gadget.calibrName = object.value(QStringLiteral("CalibrName")).toString();
    return gadget;
}

} // namespace

HardwareDescription::HardwareDescription(const QString &path)
    : m_path(path)
{
    try {
        load();
    } catch (...) {
        // The destructor does not run for a failed construction; AppContext must not keep
        // references into this half-built object.
        AppContext::instance().forgetDescription(this);
        throw;
    }
}

HardwareDescription::~HardwareDescription()
{
    AppContext::instance().forgetDescription(this);
    if (m_fontId >= 0 && qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        QFontDatabase::removeApplicationFont(m_fontId);
}

QString HardwareDescription::fontFileName()
{
    return QStringLiteral("ALS Schlange_slab_bld.otf");
}

void HardwareDescription::load()
{
    m_folderPath = QFileInfo(m_path).absolutePath();
    m_imageStore = ImageStore(m_folderPath);

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qCCritical(lcConfig).noquote() << QStringLiteral("Cannot open file %1").arg(m_path);
        return;
    }
    m_json = QJsonDocument::fromJson(file.readAll()).object();

    if (!m_json.contains(QStringLiteral("Language"))) {
        const QString message = QStringLiteral("%1 %2").arg(
            m_path, QStringLiteral("does not contain configuration name"));
        qCDebug(lcConfig).noquote() << message;
        throw std::runtime_error(message.toStdString());
    }
    m_language = m_json.value(QStringLiteral("Language")).toString();

    m_dictionary.clear();
    const QJsonObject dictionary = m_json.value(QStringLiteral("Dictionary")).toObject();
    for (auto it = dictionary.begin(); it != dictionary.end(); ++it)
        m_dictionary.insert(it.key(), it.value().toString());
    m_dimensions.clear();
    const QJsonObject dimensions = m_json.value(QStringLiteral("Dimensions")).toObject();
    for (auto it = dimensions.begin(); it != dimensions.end(); ++it)
        m_dimensions.insert(it.key(), integralOrZero(it.value()));

    AppContext &context = AppContext::instance();
    context.setDescription(this);
    context.setImageStore(m_imageStore);
    context.setDictionary(&m_dictionary);
    context.setDimensions(&m_dimensions);

    readCommandMenu();
    readGadgets();
    readMainMenu();

    // The main window publishes these again after building; publishing them here as well keeps
    // readConfiguration usable for anyone who loads a description without the window.
    context.setPinMap(m_pinMap);
    context.setGadgetMap(m_gadgetMap);
    context.setCommandMap(m_commandMap);

    loadFont();
}

void HardwareDescription::readCommandMenu()
{
    if (!m_json.contains(QStringLiteral("CommandMenu")))
        fail(QStringLiteral("Config not contains CommandMenu"));
    const QJsonObject menu = m_json.value(QStringLiteral("CommandMenu")).toObject();
    if (!menu.contains(QStringLiteral("Buttons")))
        fail(QStringLiteral("Config not containts CommandMenu:Buttons"));
    const QJsonArray buttons = menu.value(QStringLiteral("Buttons")).toArray();
    for (const QJsonValue &value : buttons) {
        auto command = std::make_unique<Command>(Command::fromMenuEntry(value.toObject()));
        m_commandMap.insert(command->name(), command.get());
        m_commands.push_back(std::move(command));
    }
}

void HardwareDescription::readGadgets()
{
    const float pictureWidth = m_dimensions.value(QStringLiteral("PinsPictureWidth"), 100);
    const float pictureHeight = m_dimensions.value(QStringLiteral("PinsPictureHeight"), 100);
    const QJsonArray pins = m_json.value(QStringLiteral("Pins")).toArray();
    for (const QJsonValue &value : pins) {
        const QJsonObject object = value.toObject();
        PinInfo pin;
        pin.index = m_pins.size();
        pin.name = object.value(QStringLiteral("Name")).toString();
        const QJsonValue visible = object.value(QStringLiteral("Visible"));
        pin.visible = visible.isDouble() && visible.toInt() == 1;
        pin.posX = object.value(QStringLiteral("PosX")).toInt();
        pin.posY = object.value(QStringLiteral("PosY")).toInt();
        pin.relX = pictureWidth != 0 ? pin.posX / pictureWidth : 0.0f;
        pin.relY = pictureHeight != 0 ? pin.posY / pictureHeight : 0.0f;
        pin.defaultValue = object.value(QStringLiteral("Default")).toInt();
        pin.labels = stringList(object.value(QStringLiteral("Pins")));
        m_pins.append(pin);
        for (const QString &label : std::as_const(pin.labels))
            m_pinMap.insert(label, pin);
    }

    auto readList = [this](const QString &key, GadgetInfo::Kind kind) {
        QList<GadgetInfo> list;
        const QJsonArray array = m_json.value(key).toArray();
        for (const QJsonValue &value : array)
            list.append(readGadget(value.toObject(), kind));
        return list;
    };
    m_inputs = readList(QStringLiteral("Inputs"), GadgetInfo::Input);
    m_outputs = readList(QStringLiteral("Outputs"), GadgetInfo::Output);
    m_groups = readList(QStringLiteral("Groups"), GadgetInfo::Group);

    for (const QList<GadgetInfo> *list : {&m_inputs, &m_outputs, &m_groups}) {
        for (const GadgetInfo &gadget : *list) {
            m_gadgetMap.insert(gadget.id, gadget);
            for (const QString &label : gadget.pins) {
                const auto pin = m_pinMap.constFind(label);
                if (pin != m_pinMap.constEnd())
                    m_gadgetsByPinIndex[pin->index].append(gadget);
            }
        }
    }
}

void HardwareDescription::readMainMenu()
{
    if (!m_json.contains(QStringLiteral("MainMenu")))
        fail(QStringLiteral("Config not contains MainMenu"));
    const QJsonObject menu = m_json.value(QStringLiteral("MainMenu")).toObject();
    if (!menu.contains(QStringLiteral("Buttons")))
        fail(QStringLiteral("Config not containts MainMenu:Buttons"));
    const QJsonArray buttons = menu.value(QStringLiteral("Buttons")).toArray();
    for (const QJsonValue &value : buttons) {
        const QJsonObject object = value.toObject();
        TopMenuButton button;
        button.command = object.value(QStringLiteral("Command")).toString();
        button.toolTip = object.value(QStringLiteral("Tooltip")).toString();
        const QString picture = object.value(QStringLiteral("Picture")).toString();
        if (!picture.isEmpty()) {
            const QString stem = ImageNames::stemOf(picture);
            button.onIcon = stem + QStringLiteral("_on.svg");
            button.offIcon = stem + QStringLiteral("_off.svg");
            button.disabledIcon = stem + QStringLiteral("_disable.svg");
        } else {
            button.onIcon = object.value(QStringLiteral("Picture_on")).toString();
            button.offIcon = object.value(QStringLiteral("Picture_off")).toString();
            button.disabledIcon = object.value(QStringLiteral("Picture_disable")).toString();
        }
        m_topMenuButtons.append(button);
    }
}

void HardwareDescription::loadFont()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        qCDebug(lcConfig) << "No GUI application, the font is not loaded";
        return;
    }
    const QString fontPath = m_folderPath + QLatin1Char('/') + fontFileName();
    if (m_fontId >= 0)
        QFontDatabase::removeApplicationFont(m_fontId);
    m_fontId = QFontDatabase::addApplicationFont(fontPath);
    const QStringList families =
        m_fontId >= 0 ? QFontDatabase::applicationFontFamilies(m_fontId) : QStringList();
    if (families.isEmpty()) {
        qCWarning(lcConfig).noquote()
            << QStringLiteral("Cannot load font %1, keeping the default font").arg(fontPath);
        return;
    }
    QGuiApplication::setFont(QFont(families.first()));
}

QString HardwareDescription::text(const QString &key) const
{
    static const QString noKey = QStringLiteral("No key");
    const auto it = m_dictionary.constFind(key);
    if (it != m_dictionary.constEnd())
        return *it;
    qCDebug(lcConfig).noquote() << QStringLiteral("No string for %1").arg(key);
    return noKey;
}

QList<GadgetInfo> HardwareDescription::gadgetsForPin(const PinInfo &pin) const
{
    return m_gadgetsByPinIndex.value(pin.index);
}

QList<Command *> HardwareDescription::commands() const
{
    QList<Command *> list;
    list.reserve(static_cast<qsizetype>(m_commands.size()));
    for (const auto &command : m_commands)
        list.append(command.get());
    return list;
}

QString HardwareDescription::localeName() const
{
    return m_json.value(QStringLiteral("Locale")).toString();
}

int HardwareDescription::serialBaudRate() const
{
    constexpr int kDefault = 9600;
    const int rate = m_json.value(QStringLiteral("SerialBaudRate")).toInt(kDefault);
    if (rate < 300 || rate > 4000000) {
        qCWarning(lcConfig) << "SerialBaudRate" << rate << "is no line speed; using" << kDefault;
        return kDefault;
    }
    return rate;
}
