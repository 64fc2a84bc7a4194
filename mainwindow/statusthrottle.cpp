#include "statusthrottle.h"

StatusThrottle::StatusThrottle(int intervalMs, QObject *parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &StatusThrottle::intervalEnded);
}

void StatusThrottle::post(const QString &text)
{
    if (m_timer.isActive()) {
        m_pending = text;
        m_hasPending = true;
        return;
    }
    m_timer.start();
    emit show(text);
}

void StatusThrottle::intervalEnded()
{
    if (!m_hasPending)
        return;
    m_hasPending = false;
    m_timer.start();
    emit show(m_pending);
}
