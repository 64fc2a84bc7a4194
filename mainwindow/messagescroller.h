#pragma once

#include "qmessagerecord.h"

#include <QList>

#include <functional>

// The moving parts of the message strip, apart from painting: messages waiting to be shown,
// those on the strip (left to right) and the small rotation queue of recent messages that are
// shown again whenever nothing new waits. One step moves everything one pixel to the left.
class MessageScroller
{
public:
    // Width in pixels of a record's text.
    using Measure = std::function<int(const QString &text)>;

    static constexpr int kRotationLimit = 6;
    // Free pixels between the right end of the last message and the board's right edge before
    // the next message enters.
    static constexpr int kGap = 20;
    // While the strip is hidden messages only pile up; the oldest beyond this are dropped.
    static constexpr int kPendingLimit = 200;

    void add(const QMessageRecord &record);
    void step(int boardWidth, const Measure &widthOf);

    const QList<QMessageRecord> &pending() const { return pendingMessages; }
    const QList<QMessageRecord> &strip() const { return stripMessages; }
    const QList<QMessageRecord> &rotation() const { return rotationQueue; }

private:
    void leaveStrip(QMessageRecord record);
    void enterNextMessage(int boardWidth);
    QDateTime getEarliestEntryTime() const;
    void removeEarliestMessages();

    QList<QMessageRecord> pendingMessages;
    QList<QMessageRecord> stripMessages;
    QList<QMessageRecord> rotationQueue;
};
