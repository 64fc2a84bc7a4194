// Loads the stock and analyst caches from a generated data.s3 of 5,000 stocks and 10,000 analyst
// records and prints the load times and the lookups per second.

#include "analystcache.h"
#include "databaseschema.h"
#include "dbconnection.h"
#include "stockcache.h"
#include "userlists.h"

#include "benchsupport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int kStocks = 5000;
constexpr int kAnalystRecords = 10000;
constexpr int kLoadRuns = 5;

bool exec(QSqlQuery &query)
{
    if (query.exec())
        return true;
    out() << "insert failed: " << query.lastError().text() << Qt::endl;
    return false;
}

QString stockCode(int i)
{
    return QStringLiteral("%1.%2").arg(i < kStocks / 2 ? 600000 + i : i, 6, 10, QLatin1Char('0'))
        .arg(QLatin1String(i < kStocks / 2 ? "SH" : "SZ"));
}

bool fillStocks(QSqlDatabase db)
{
    QSqlQuery stock(db);
    stock.prepare(QStringLiteral("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name, Stk_Share, "
                                 "Prc_Factor, Prc_Count, Prc_DtModify) values (?, ?, ?, ?, ?, ?, ?, ?)"));
    QSqlQuery matrix(db);
    matrix.prepare(QStringLiteral("insert into T_Matrix (Stk_Code, Mtx_Level, Mtx_DtUpdate) values (?, ?, ?)"));
    for (int i = 0; i < kStocks; ++i) {
        const QString code = stockCode(i);
        stock.addBindValue(code);
        stock.addBindValue(QStringLiteral("股票%1").arg(i));
        stock.addBindValue(i % 50 == 0 ? 1 : 0);
        stock.addBindValue(QStringLiteral("行业%1,其他").arg(i % 30));
        stock.addBindValue(1.0e8 + i);
        stock.addBindValue(1.0 + i / 10000.0);
        stock.addBindValue(i % 2000);
        // The day prices of a stock last changed on one of about a year's trading days.
        stock.addBindValue(QDateTime(QDate(2016, 1, 1).addDays(i % 250), QTime(15, 0))
                               .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        matrix.addBindValue(code);
        matrix.addBindValue(i % 10);
        // Every seventh stock keeps a level from an older snapshot only.
        matrix.addBindValue(QString::fromLatin1(i % 7 ? "2017-01-06 00:00:00" : "2016-12-30 00:00:00"));
        if (!exec(stock) || !exec(matrix))
            return false;
    }
    return true;
}

// About three records per two persons; the last record of a person is its current one.
bool fillAnalysts(QSqlDatabase db)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, "
                                 "Anl_Months, Anl_New, Anl_DtUpdate) values (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < kAnalystRecords; ++i) {
        const int uid = 100000 + (i * 2) / 3;
        const bool isNew = ((i + 1) * 2) / 3 != (i * 2) / 3 || i + 1 == kAnalystRecords;
        query.addBindValue(1000 + i);
        query.addBindValue(uid);
        query.addBindValue(QStringLiteral("分析师%1").arg(uid));
        query.addBindValue(QStringLiteral("机构%1").arg(i % 80));
        query.addBindValue(QStringLiteral("行业%1").arg(i % 30));
        query.addBindValue(i % 120);
        query.addBindValue(isNew ? 1 : 0);
        query.addBindValue(QStringLiteral("2017-01-06 00:00:00"));
        if (!exec(query))
            return false;
    }
    return true;
}

void timeLoad(const char *what, const std::function<void()> &load)
{
    std::vector<double> ms;
    for (int run = 0; run < kLoadRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        load();
        ms.push_back(timer.nsecsElapsed() / 1.0e6);
    }
    std::sort(ms.begin(), ms.end());
    out() << QStringLiteral("%1 load: median %2 ms, best %3 ms (%4 runs)")
                 .arg(QLatin1String(what))
                 .arg(ms[ms.size() / 2], 0, 'f', 2)
                 .arg(ms.front(), 0, 'f', 2)
                 .arg(kLoadRuns)
          << Qt::endl;
}

// Runs lookup over keys until about half a second has passed; prints lookups per second.
void timeLookups(const char *what, const QStringList &keys, const std::function<int(const QString &)> &lookup)
{
    QElapsedTimer timer;
    timer.start();
    qint64 count = 0;
    // Keeps the compiler from dropping the lookups.
    static volatile int sink = 0;
    while (timer.elapsed() < 500) {
        for (const QString &key : keys)
            sink = sink + lookup(key);
        count += keys.size();
    }
    const double perSecond = count / (timer.nsecsElapsed() / 1.0e9);
    out() << QStringLiteral("%1: %2 lookups/s").arg(QLatin1String(what), -28).arg(perSecond, 0, 'f', 0)
          << Qt::endl;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !initMainDatabase(dir.path())) {
        out() << "cannot create the database" << Qt::endl;
        return 1;
    }
    {
        QSqlDatabase db = mainDatabase();
        db.transaction();
        if (!fillStocks(db) || !fillAnalysts(db) || !db.commit()) {
            out() << "cannot fill the database" << Qt::endl;
            return 1;
        }
    }
    out() << kStocks << " stocks, " << kAnalystRecords << " analyst records" << Qt::endl;

    timeLoad("stock cache", loadStockCache);
    timeLoad("analyst cache", loadAnalystCache);
    out() << getStockCodeList().size() << " listed stocks, " << searchAnalystList(QString()).size()
          << " analysts cached" << Qt::endl;

    QStringList codes;
    for (int i = 0; i < kStocks; ++i)
        codes << stockCode(i);
    QStringList uids = searchAnalystList(QString());
    QStringList ids;
    for (int i = 0; i < kAnalystRecords; ++i)
        ids << QString::number(1000 + i);

    timeLookups("getStockName", codes, [](const QString &c) { return getStockName(c).size(); });
    timeLookups("getStockMatrixGrade", codes, [](const QString &c) { return getStockMatrixGrade(c).size(); });
    timeLookups("containsStockCode", codes, [](const QString &c) { return int(containsStockCode(c)); });
    timeLookups("getAnalystName", uids, [](const QString &u) { return getAnalystName(u).size(); });
    timeLookups("getAnalystIdList", uids, [](const QString &u) { return getAnalystIdList(u).size(); });
    timeLookups("getAnalystNameById", ids, [](const QString &i) { return getAnalystNameById(i).size(); });
    timeLookups("getAnalystIdListById", ids, [](const QString &i) { return getAnalystIdListById(i).size(); });

    // A report title tested against ten blocks of twenty codes each.
    for (int b = 0; b < 10; ++b)
        addBlockStock(QStringLiteral("板块%1").arg(b), codes.mid(b * 20, 20).join(QLatin1Char(',')), false);
    const QStringList titles{QStringLiteral("银行业2017年投资策略：估值修复"), QStringLiteral("股票3 点评")};
    timeLookups("containsBlockedStock", titles, [](const QString &t) { return int(containsBlockedStock(t)); });

    closeMainDatabase();
    return 0;
}
