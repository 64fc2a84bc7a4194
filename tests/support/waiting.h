#pragma once

// Waits on a window, a process or a reply that end on the clock, not by counting steps as
// QTRY_* does (which also waits twice as long again before it fails, and never counts the time
// the condition itself takes), and that give up as soon as what they wait for can no longer
// come. Each says what it waited for.
//
//   const QString failure = waitUntil("the login dialog", [&] { return shown(); }, 30000,
//                                     [&] { return program.state() == QProcess::NotRunning
//                                                      ? QString("the program ended") : QString(); });
//   QVERIFY2(failure.isEmpty(), qPrintable(failure));

#include <QDeadlineTimer>
#include <QString>
#include <QtTest>

// Processes events until done() holds: an empty text then. Otherwise, once the time ran out or
// gaveUp() gave a reason, the text says what was waited for and why it ended.
template <typename Done, typename GaveUp>
QString waitUntil(const QString &what, Done done, int timeoutMs, GaveUp gaveUp)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (done())
            return QString();
        const QString reason = gaveUp();
        if (!reason.isEmpty())
            return QStringLiteral("gave up waiting for %1: %2").arg(what, reason);
        if (deadline.hasExpired())
            return QStringLiteral("waited %1 s in vain for %2").arg(timeoutMs / 1000.0).arg(what);
        QTest::qWait(50);
    }
}

template <typename Done>
QString waitUntil(const QString &what, Done done, int timeoutMs)
{
    return waitUntil(what, done, timeoutMs, [] { return QString(); });
}

// Fails the test function with the text when the wait failed.
#define WAIT_UNTIL(what, condition, timeoutMs)                                                          \
    do {                                                                                                \
        const QString waitFailure_ = waitUntil((what), [&] { return bool(condition); }, (timeoutMs)); \
        QVERIFY2(waitFailure_.isEmpty(), qPrintable(waitFailure_));                                   \
    } while (false)
