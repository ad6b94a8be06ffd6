#pragma once

#include "gadgetinfo.h"
#include "pinassignment.h"
#include "pininfo.h"

#include <QFrame>
#include <QList>
#include <QString>

class GadgetComboBoxModel;
class QLabel;
class RightMenuComboBox;

// One pin on the board picture: its labels and the choice of the gadget that sits on it.
class PinConfigurationWidget : public QFrame
{
    Q_OBJECT
public:
    PinConfigurationWidget(const PinInfo &pin, const QList<GadgetInfo> &gadgets,
                           QWidget *parent = nullptr);

    const PinInfo &pin() const { return m_pin; }
    QString pinName() const { return m_pin.name; }
    // The chosen gadget; invalid for the none entry.
    const GadgetInfo &gadget() const { return m_selected; }
    int gadgetId() const;
    bool canHold(int gadgetId) const;

    // The label saved with the chosen gadget ("pinLbl").
    QString chosenLabel() const { return labelFor(m_pin, m_selected); }
    PinAssignment assignment() const;

    // Selects a gadget (-1: the none entry) as the dialog's own change: no group update is asked
    // for, the calibration bookkeeping still runs. False when the pin cannot take the gadget.
    bool applyGadget(int gadgetId);

    // Set while the dialog spreads or clears a group over this pin.
    void setGroupUpdate(bool running) { m_groupUpdate = running; }
    bool groupUpdateRunning() const { return m_groupUpdate; }
    // True once after this pin asked for a group update: the update skips the pin that asked.
    bool takeEcho();

    RightMenuComboBox *comboBox() const { return m_combo; }
    QLabel *labelWidget() const { return m_label; }

    static QString labelFor(const PinInfo &pin, const GadgetInfo &gadget);
    // Name of the calibration row a gadget on this pin owns: the two drive motors have rows of
    // their own, every other gadget is known by its pin label.
    static QString calibrationName(const PinInfo &pin, const GadgetInfo &gadget);

signals:
    void needUpdateGroup(QString pinName, QString gadgetName);
    void gadgetSetted(int gadgetId, QString pin);

private slots:
    void setGadget();

private:
    PinInfo m_pin;
    QLabel *m_label = nullptr;
    RightMenuComboBox *m_combo = nullptr;
    GadgetComboBoxModel *m_model = nullptr;
    GadgetInfo m_selected;
    GadgetInfo m_applied;
    bool m_groupUpdate = false;
    bool m_echo = false;
};
