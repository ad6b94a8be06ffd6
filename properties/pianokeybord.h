#pragma once

#include "rightmenuinputswidget.h"

#include <QMap>
#include <QStringList>

class KeyButton;

// One octave of piano keys. In selecting mode the chosen key stays marked (one tone is being
// picked); in playing mode every click just adds a note.
class PianoKeybord : public RightMenuInputsWidget
{
    Q_OBJECT
public:
    explicit PianoKeybord(QWidget *parent = nullptr, bool selecting = true);

    QString currentKey() const { return m_current; }
    void setCurrentKey(const QString &code);
    KeyButton *key(const QString &code) const { return m_keys.value(code); }
    QStringList codes() const { return m_codes; }

signals:
    void keyClicked();

public slots:
    void keyButtonClick(QString code);

private:
    QMap<QString, QString> m_names;
    QStringList m_codes;
    QMap<QString, KeyButton *> m_keys;
    QString m_current;
    bool m_selecting;
};
