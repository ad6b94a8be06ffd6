#pragma once

#include "pinassignment.h"
#include "rightmenuinputswidget.h"

#include <QJsonArray>
#include <QList>

class QVBoxLayout;
class ServoWidget;

// One row per servo of the pin set-up; the selected rows make up "servos".
class ServosWidget : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit ServosWidget(QWidget *parent = nullptr);

    void setCommand(Command *command) override;
    QJsonObject toJson() override;

    const QList<ServoWidget *> &rows() const { return m_rows; }

public slots:
    void changeServosInfo();

private:
    QVBoxLayout *m_layout = nullptr;
    QList<ServoWidget *> m_rows;
    QList<PinAssignment> m_assignments;
    bool m_loadedOnce = false;
    QJsonArray m_unlistedServos;
};
