#include "messagescroller.h"

namespace {

// Entry times are the service's clock and compare as written: as moments of the user's zone,
// those of an hour it skips would come after the hour that follows.
QDateTime asWritten(const QDateTime &time)
{
    return QDateTime(time.date(), time.time(), Qt::UTC);
}

// Entry times are compared to the second: milliseconds are dropped.
QDateTime toSecond(const QDateTime &time)
{
    const QDateTime written = asWritten(time);
    return written.addMSecs(-written.time().msec());
}

} // namespace

void MessageScroller::add(const QMessageRecord &record)
{
    pendingMessages.append(record);
    while (pendingMessages.size() > kPendingLimit)
        pendingMessages.removeFirst();
}

void MessageScroller::step(int boardWidth, const Measure &widthOf)
{
    if (stripMessages.isEmpty()) {
        enterNextMessage(boardWidth);
    } else {
        // Only the first record is looked at, so at most one leaves per step.
        const QMessageRecord &first = stripMessages.first();
        if (first.getX() + widthOf(first.getText()) <= 0)
            leaveStrip(stripMessages.takeFirst());
    }
    // Records that enter during the pass are moved in it too, so they end at the board's width.
    for (int i = 0; i < stripMessages.size(); ++i) {
        QMessageRecord &record = stripMessages[i];
        record.moveLeft();
        if (stripMessages.indexOf(record) == stripMessages.size() - 1
            && record.getX() + widthOf(record.getText()) + kGap <= boardWidth)
            enterNextMessage(boardWidth);
    }
}

void MessageScroller::leaveStrip(QMessageRecord record)
{
    record.setFirstPass(false);
    if (rotationQueue.contains(record))
        return;
    if (rotationQueue.size() < kRotationLimit) {
        rotationQueue.append(record);
        return;
    }
    // A full queue keeps the newest messages: an older one is dropped, a newer one pushes out
    // every message of the earliest second.
    if (asWritten(record.getEntryTime()).secsTo(getEarliestEntryTime()) > 0)
        return;
    rotationQueue.append(record);
    removeEarliestMessages();
}

void MessageScroller::enterNextMessage(int boardWidth)
{
    if (!pendingMessages.isEmpty()) {
        QMessageRecord record = pendingMessages.takeFirst();
        record.setX(boardWidth + 1);
        stripMessages.append(record);
        return;
    }
    if (rotationQueue.isEmpty())
        return;
    if (!stripMessages.contains(rotationQueue.first())) {
        QMessageRecord record = rotationQueue.first();
        record.setX(boardWidth + 1);
        stripMessages.append(record);
    }
    // The queue turns even when its head is still on the strip.
    rotationQueue.append(rotationQueue.takeFirst());
}

QDateTime MessageScroller::getEarliestEntryTime() const
{
    QDateTime earliest;
    for (const QMessageRecord &record : rotationQueue) {
        const QDateTime time = toSecond(record.getEntryTime());
        if (earliest.isNull() || time < earliest)
            earliest = time;
    }
    return earliest;
}

void MessageScroller::removeEarliestMessages()
{
    const QDateTime earliest = getEarliestEntryTime();
    if (earliest.isNull())
        return;
    const QList<QMessageRecord> queue = rotationQueue;
    for (const QMessageRecord &record : queue) {
        if (asWritten(record.getEntryTime()).secsTo(earliest) == 0)
            rotationQueue.removeOne(record);
    }
}
