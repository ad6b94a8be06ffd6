#pragma once

// Shared set-up of the property panel tests: the shipped English configuration with a pin set-up
// that offers every kind of gadget, and a home folder of its own.

#include "appcontext.h"
#include "checkableroundlabel.h"
#include "clickableroundlabel.h"
#include "command.h"
#include "editorhome.h"
#include "hardwaredescription.h"
#include "inputswidget.h"
#include "keybutton.h"
#include "languagecatalog.h"
#include "rangesliderwithbuttons.h"
#include "rightmenuwidget.h"
#include "sliderwithbuttons.h"
#include "togglediconlabel.h"

#include <QComboBox>

#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace PanelFixture {

inline QJsonObject configuration()
{
    return EditorHome::everyGadget();
}

// Loads the English configuration; returns false (with a message) when it is missing.
inline bool setUp(QTemporaryDir &home)
{
    if (!home.isValid())
        return false;
    qputenv("HOME", home.path().toUtf8());
    if (!LanguageCatalog::instance().select(QStringLiteral("English")))
        return false;
    HardwareDescription *description = LanguageCatalog::instance().current();
    AppContext &context = AppContext::instance();
    context.setCommandMap(description->commandMap());
    context.setGadgetMap(description->gadgetMap());
    context.setPinMap(description->pinMap());
    context.readConfiguration(configuration());
    return true;
}

// A program row's command: a copy of the menu entry holding the given command object.
inline std::unique_ptr<Command> rowCommand(const QString &name, const QJsonObject &commandObject)
{
    const Command *entry = AppContext::instance().commandMap().value(name);
    if (!entry)
        return {};
    auto command = std::make_unique<Command>(*entry);
    command->load(commandObject);
    return command;
}

inline std::unique_ptr<Command> rowCommand(const QString &name, const QJsonObject &action,
                                           const QJsonObject &conditions)
{
    QJsonObject fullAction = action;
    fullAction.insert("command", name);
    return rowCommand(name, QJsonObject{{"conditions", conditions}, {"action", fullAction}});
}

// Works every control the panel shows, the way a user would try them all.
inline void changeEveryControl(RightMenuWidget *panel)
{
    // Pins first: the pin decides which condition editor shows its controls.
    for (QComboBox *combo : panel->findChildren<QComboBox *>()) {
        if (combo->isVisible() && combo->count() > 0)
            combo->setCurrentIndex(combo->count() - 1);
    }
    for (SliderWithButtons *slider : panel->findChildren<SliderWithButtons *>()) {
        if (slider->isVisible())
            slider->rightButtonCLicked();
    }
    for (RangeSliderWithButtons *range : panel->findChildren<RangeSliderWithButtons *>()) {
        if (range->isVisible()) {
            range->rightUpperButtonCLicked();
            range->leftLowerButtonCLicked();
        }
    }
    for (ToggledIconLabel *toggle : panel->findChildren<ToggledIconLabel *>()) {
        if (toggle->isVisible())
            QTest::mouseClick(toggle, Qt::LeftButton);
    }
    int cell = 0;
    for (CheckableRoundLabel *check : panel->findChildren<CheckableRoundLabel *>()) {
        if (check->isVisible() && cell++ % 3 == 0)
            QTest::mouseClick(check, Qt::LeftButton);
    }
    for (KeyButton *key : panel->findChildren<KeyButton *>()) {
        if (key->isVisible() && (key->code() == "E" || key->code() == "G#"))
            QTest::mouseClick(key, Qt::LeftButton);
    }
    // Round push buttons other than the run button: the melody's pause and delete.
    ClickableRoundLabel *run = panel->inputsWidget()->runButton();
    for (ClickableRoundLabel *button : panel->findChildren<ClickableRoundLabel *>()) {
        if (button != run && button->isVisible() &&
            qobject_cast<SliderWithButtons *>(button->parentWidget()) == nullptr &&
            qobject_cast<RangeSliderWithButtons *>(button->parentWidget()) == nullptr)
            QTest::mouseClick(button, Qt::LeftButton);
    }
}

} // namespace PanelFixture
