#pragma once

// Times "yyyy-MM-dd HH:mm:ss" and dates "yyyy-MM-dd" of the packages and the database as numbers
// that compare as the date-times do. A text that does not read as one gives -1, so it counts as
// earlier than every one that does, and two such texts count as equal.

#include <QString>

qint64 dateTimeKey(const QString &text);
qint64 dateKey(const QString &text);
