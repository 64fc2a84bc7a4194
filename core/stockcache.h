#pragma once

// The listed stocks (T_Stock rows with Stk_Quit = 0, with their level in the latest value-matrix
// snapshot), held in memory and looked up by code.
//
// loadStockCache runs on the GUI thread and on the update engine's thread, each time through the
// calling thread's own connection to data.s3, while the GUI thread keeps looking stocks up. A load
// builds the new cache aside and publishes it in one step; every lookup answers from one published
// cache, so no reader sees half a load or codes and records of different loads.
//
// Lookups compare the code exactly; an unknown code gives "", 0, 0.0 or a null time. A failed load
// leaves the cache empty.

#include "qstockrecord.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

void loadStockCache();

// Tells that a load has published its cache; the update engine loads one after each stock or
// matrix package it stores. Emitted on the loading thread, so a widget connects with itself as
// the receiver to hear it on the GUI thread.
class StockCacheNotice : public QObject
{
    Q_OBJECT

signals:
    void loaded();
};

StockCacheNotice *stockCacheNotice();

bool containsStockCode(const QString &code);
QString getStockName(const QString &code);
double getStockFactor(const QString &code);
double getStockShare(const QString &code);
QString getStockIndustry(const QString &code);
int getStockPriceCount(const QString &code);
QDateTime getStockPriceModifyTime(const QString &code);
int getStockMatrixLevel(const QString &code);
// "C-", "C", "C+", "B-", "B", "B+", "A-", "A", "A+" for levels 1 to 9, else "".
QString levelGrade(int level);
// The grade of the stock's matrix level.
QString getStockMatrixGrade(const QString &code);

// Every code, ascending.
QStringList getStockCodeList();

// The known codes of every user block of that name, each once, ascending.
QStringList getBlockStockList(const QString &block);

// Whether text (a report title) names a stock of any user block: by the part of a 9-character code
// before its ".", or by the stock's name without blanks, "A", "*", "SST" and "ST".
bool containsBlockedStock(const QString &text);

// Replaces the cache with these codes (sorted) and empty records, without a database.
void setStockCodeListForTest(const QStringList &codes);
