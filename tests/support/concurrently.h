#pragma once

// For tests of state shared between threads.

#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

// Runs work on a thread of its own and calls check() on this one until the work has ended, then
// once more. False as soon as check() returns false; the work is waited for in any case.
inline bool checkWhileRunning(const std::function<void()> &work, const std::function<bool()> &check)
{
    std::atomic<bool> done{false};
    std::unique_ptr<QThread> thread(QThread::create([&] {
        work();
        done = true;
    }));
    thread->start();
    bool ok = true;
    while (ok && !done)
        ok = check();
    thread->wait();
    return ok && check();
}
