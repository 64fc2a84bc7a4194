#pragma once

// Reading one setting with a fallback, the same way for the embedded and the user's file.

#include <QSettings>
#include <QString>

// An unquoted INI value with commas comes back as a list: it is joined again, so a value
// reads as the text that stands in the file.
QString settingsText(const QSettings &settings, const QString &key,
                     const QString &fallback = QString());

// A missing key gives the fallback; a value that is not a number gives 0.
int settingsInt(const QSettings &settings, const QString &key, int fallback);
