#pragma once

#include <QMutex>
#include <QMutexLocker>

#include <memory>

// State that one thread replaces whole while others read it: a reader keeps the state it took
// alive for as long as it uses it, and a new state never changes one already handed out.
template <typename T>
class PublishedState
{
public:
    std::shared_ptr<const T> current() const
    {
        QMutexLocker locker(&m_lock);
        return m_state;
    }

    void publish(std::shared_ptr<const T> state)
    {
        QMutexLocker locker(&m_lock);
        m_state.swap(state);
        // The old state is released after the lock, when its last reader lets go of it.
    }

private:
    mutable QMutex m_lock;
    std::shared_ptr<const T> m_state = std::make_shared<const T>();
};
