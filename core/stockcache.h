#pragma once

// The stock cache's code list, ascending. The full cache (records loaded from the local
// database) replaces this file and keeps setStockCodeListForTest, with which tests put
// codes into the cache without a database.

#include <QStringList>

QStringList getStockCodeList();
void setStockCodeListForTest(const QStringList &codes);
