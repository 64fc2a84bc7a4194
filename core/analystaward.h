#pragma once

// The analyst award table: the latest year of the embedded ":/xcf.ini", as analyst id ->
// medal (place 1 to 5). GUI thread only.

#include <QString>

// Appends the entries of the latest year of the file to the table.
void loadAnalystAwardTable();
void loadAnalystAwardTable(const QString &path);
void clearAnalystAwardTable();

// The medal of the first entry with this id; 0 when the table lacks it.
int getAnalystMedal(const QString &analystId);
