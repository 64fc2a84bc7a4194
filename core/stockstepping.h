#pragma once

// Previous and next stock for the chart: within the current stock list when it holds the
// code (wrapping both ways), else within the stock cache's codes (only forward wraps;
// an unknown code gives the cache's first code).

#include <QString>

QString getPreviousStockCode(const QString &code);
QString getNextStockCode(const QString &code);
