#include "stateautosave.h"

StateAutosave::StateAutosave(std::function<void()> save, QObject *parent)
    : QObject(parent)
    , m_save(std::move(save))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { m_save(); });
}

void StateAutosave::schedule()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void StateAutosave::flush()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    m_save();
}
