#pragma once

#include <QList>
#include <QPushButton>

class QLabel;

// One key of the on-screen keyboard. Keys of one keyboard share a group so that selecting one
// key clears the others.
class KeyButton : public QPushButton
{
    Q_OBJECT
    Q_PROPERTY(bool isBlack READ isBlack CONSTANT)
public:
    KeyButton(const QString &code, const QString &name, bool selecting, QWidget *parent = nullptr);

    QString code() const { return m_code; }
    QString name() const { return m_name; }
    bool isBlack() const { return m_black; }
    bool isKeySelected() const { return m_selected; }
    void setKeySelected(bool selected);
    void setGroup(const QList<KeyButton *> &group) { m_group = group; }

public slots:
    // What a click does; Space and Enter do the same while the key has the focus.
    void activate();

signals:
    void selected();
    void keyClicked(QString code);

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateLook();

    QString m_code;
    QString m_name;
    bool m_black;
    bool m_selecting;
    bool m_selected = false;
    QList<KeyButton *> m_group;
    QLabel *m_nameLabel = nullptr;
};
