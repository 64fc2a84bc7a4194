#pragma once

// The date and time texts the service sends and the database keeps, "yyyy-MM-dd" and
// "HH:mm:ss", read by hand: QDateTime's parser costs a good part of an import and a tenth of a
// report page's fill. Anything else reads as invalid, and callers then ask Qt's parser.

#include <QDate>
#include <QString>

// "yyyy-MM-dd" at the start of text; invalid for any other layout or a date that does not exist.
QDate readStoredDate(const QString &text);

// "HH:mm:ss" at from in text, as seconds since midnight; -1 for any other layout or time.
int readStoredTime(const QString &text, int from);
