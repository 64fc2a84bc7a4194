#pragma once

// The date and time texts the service sends and the database keeps, "yyyy-MM-dd" and
// "HH:mm:ss", read by hand: QDateTime's parser costs a good part of an import and a tenth of a
// report page's fill. Anything else reads as invalid, and callers then ask Qt's parser.
//
// The texts are the service's wall clock, not a moment of the user's zone: a user's zone with
// summer time skips an hour of them once a year, where QDateTime(date, time) is invalid and
// shows nothing. storedLocalDateTime keeps such a time as it is written.

#include <QDate>
#include <QDateTime>
#include <QString>

// "yyyy-MM-dd" at the start of text; invalid for any other layout or a date that does not exist.
QDate readStoredDate(const QString &text);

// "HH:mm:ss" at from in text, as seconds since midnight; -1 for any other layout or time.
int readStoredTime(const QString &text, int from);

// The local date-time of date and time, which shows them as they are. In the hour the local zone
// skips it has the offset from UTC the zone had before: the moment its clocks call an hour later.
// Invalid only for an invalid date or time.
QDateTime storedLocalDateTime(const QDate &date, const QTime &time);

// "yyyy-MM-dd HH:mm:ss" as storedLocalDateTime; invalid for any other text.
QDateTime readStoredDateTime(const QString &text);
