// SPDX-License-Identifier: GPL-3.0-or-later
#include "writing/Autosave.h"

#include <QSet>

namespace wendle {

namespace {
QSet<Autosave*>& everyAutosave()
{
    static QSet<Autosave*> all;
    return all;
}
} // namespace

Autosave::Autosave(QObject* keeper)
    : QObject(keeper)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(delayMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &Autosave::fire);
    everyAutosave().insert(this);
}

Autosave::~Autosave()
{
    everyAutosave().remove(this);
}

void Autosave::schedule(std::function<void()> save)
{
    m_save = std::move(save);
    m_timer.start();
}

void Autosave::cancel()
{
    m_timer.stop();
    m_save = nullptr;
}

void Autosave::runNow()
{
    if (m_timer.isActive()) {
        m_timer.stop();
        fire();
    }
}

void Autosave::release()
{
    m_released = true;
    if (!m_timer.isActive()) {
        deleteLater();
    }
}

void Autosave::runAllNow()
{
    const QSet<Autosave*> all = everyAutosave();
    for (Autosave* autosave : all) {
        autosave->runNow();
    }
}

void Autosave::fire()
{
    std::function<void()> save = std::move(m_save);
    m_save = nullptr;
    if (save) {
        save();
    }
    if (m_released) {
        deleteLater();
    }
}

} // namespace wendle
