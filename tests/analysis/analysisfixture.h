#pragma once

// Stocks, consensus records, year-end figures and matrix levels written into a fixture
// data.s3 (openFixtureDatabase) for the analysis list tests.

#include "reportfixture.h"
#include "stockcache.h"

struct FixtureStock
{
    QString code, name, industry;
    double close = 10, share = 100, profitTTM = 50, equityTTM = 500, change = 0;
    QString priceDate = QStringLiteral("2017-01-06");
    int quit = 0;
};

inline bool insertStock(const FixtureStock &s)
{
    return execSql(QStringLiteral("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name, Stk_Share, Prc_Date, "
                                  "Prc_Close, Prc_Change, Prf_5010_TTM, Blc_3010_TTM) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {s.code, s.name, s.quit, s.industry, s.share, s.priceDate, s.close, s.change, s.profitTTM,
                    s.equityTTM});
}

struct FixtureConsensus
{
    QString code;
    QString type = QStringLiteral("TDY");
    QString update = QStringLiteral("2017-01-06 00:00:00");
    int ins = 0, bull = 0, neutral = 0, bear = 0, ratings = 0;
    double lower = 0, upper = 0;
    double next1 = 0, next2 = 0, next3 = 0; // profits
    double cagr = 0;
    double shortSuccess = 0, middleSuccess = 0;
};

// T_Consensus keys on code and type; a stale snapshot of a type is written under another
// code so both stamps exist.
inline bool insertConsensus(const FixtureConsensus &c)
{
    return execSql(QStringLiteral("insert into T_Consensus (Stk_Code, Cns_Type, Ins_Count, Ins_Count_Bull, "
                                  "Ins_Count_Neutral, Ins_Count_Bear, Rat_Count, Short_Success, Middle_Success, "
                                  "Min_Price_Lower, Max_Price_Upper, Prf_5010_Next_1, Prf_5010_Next_2, Prf_5010_Next_3, "
                                  "CAGR_Next, Cns_DtUpdate) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {c.code, c.type, c.ins, c.bull, c.neutral, c.bear, c.ratings, c.shortSuccess, c.middleSuccess,
                    c.lower, c.upper, c.next1, c.next2, c.next3, c.cagr, c.update});
}

// Year-end figures of a year: equity, operating profit, net profit.
inline bool insertFinance(const QString &code, int year, double equity, double operating, double net)
{
    return execSql(QStringLiteral("insert into T_Finance (Stk_Code, Fin_Date, Blc_3010, Prf_30, Prf_5010) "
                                  "values (?, ?, ?, ?, ?)"),
                   {code, QString::number(year) + QStringLiteral("-12-31"), equity, operating, net});
}

inline bool insertMatrix(const QString &code, int level, double cagrLast,
                         const QString &update = QStringLiteral("2017-01-06 00:00:00"),
                         const QString &preType = QString(), double opgTTM = 0)
{
    return execSql(QStringLiteral("insert into T_Matrix (Stk_Code, Mtx_Level, OPG_TTM, CAGR_Last, Pre_Type, "
                                  "Mtx_DtUpdate) values (?, ?, ?, ?, ?, ?)"),
                   {code, level, opgTTM, cagrLast, preType, update});
}

inline FixtureReport reportOf(qint64 id, const QString &stock, const QString &entry)
{
    FixtureReport r{id, entry, QString(), QStringLiteral("中信证券"), QStringLiteral("STK.COM@CN"),
                    QStringLiteral("点评"), QString(), stock, QString()};
    return r;
}

constexpr int kYear = 2015; // the list year Y

inline const QList<FixtureStock> kStocks = {
    {"600001.SH", "浦发", "银行,金融", 10, 100, 50, 500, 0},
    {"600002.SH", "<b>阿尔法</b>", "钢铁", 11, 100, 50, 500, 1, "2017-01-05"},
    {"000001.SZ", "平安", "银行", 11, 100, 100, 500, 1},
    {"300001.SZ", "特锐德", "电气", 0, 100, 50, 500, 0},
    {"002001.SZ", "新和成", "化工", 12, 100, 50, 0, -1},
    {"600099.SH", "退市", "银行", 10, 100, 50, 500, 0, "2017-01-06", 1},
};

inline const QList<FixtureConsensus> kConsensus = {
    {"600001.SH", "TDY", "2017-01-06 00:00:00", 5, 3, 1, 1, 8, 16, 18, 60, 70, 80, 50, 80, 60},
    {"600002.SH", "TDY", "2017-01-06 00:00:00", 2, 1, 1, 0, 2, 16.5, 16.5, 40, 0, 0, 49, 50, 40},
    {"000001.SZ", "TDY", "2017-01-06 00:00:00", 3, 3, 0, 0, 3, 12, 12, 80, 90, 0, 30, -1, 20},
    // A stale current snapshot: its stock has no current consensus.
    {"300001.SZ", "TDY", "2016-12-01 00:00:00", 9, 9, 0, 0, 9, 20, 20, 80, 0, 0, 90, 50, 50},
    {"600001.SH", "LST", "2017-01-01 00:00:00", 4, 2, 1, 1, 6, 14, 16, 50, 70, 90, 40, 0, 0},
    {"000001.SZ", "LST", "2017-01-01 00:00:00", 5, 3, 0, 0, 3, 12, 12, 0, 0, 0, 30, 0, 0},
    {"600002.SH", "LST", "2016-12-01 00:00:00", 1, 1, 0, 0, 1, 10, 10, 10, 0, 0, 10, 0, 0},
};

// Listed stocks 600001.SH (reports of the newest day, consensus raised), 600002.SH (priced a
// day early, reported Y+1, in block "b1"), 000001.SZ (matrix level of an old snapshot),
// 300001.SZ (no price, stale consensus), 002001.SZ (falling); 600099.SH has quit.
inline bool fillAnalysisFixture()
{
    bool ok = true;
    for (const FixtureStock &s : kStocks)
        ok = ok && insertStock(s);
    for (const FixtureConsensus &c : kConsensus)
        ok = ok && insertConsensus(c);
    // 600001: ROE 123.6 in Y, operating profit down 99.5 % in Y-1; 600002 has reported Y+1.
    ok = ok && insertFinance("600001.SH", kYear - 3, 1000, 100, 100);
    ok = ok && insertFinance("600001.SH", kYear - 2, 1000, 200, 125);
    ok = ok && insertFinance("600001.SH", kYear - 1, 1000, 1, 0);
    ok = ok && insertFinance("600001.SH", kYear, 1000, 2.202, 1236);
    ok = ok && insertFinance("600002.SH", kYear, 1000, 10, 25);
    ok = ok && insertFinance("600002.SH", kYear + 1, 1000, 10, 70);
    ok = ok && insertMatrix("600001.SH", 8, 10, "2017-01-06 00:00:00", "预增", 12.5);
    ok = ok && insertMatrix("002001.SZ", 8, 20);
    ok = ok && insertMatrix("600002.SH", 7, 99);
    ok = ok && insertMatrix("000001.SZ", 9, 50, "2016-12-01 00:00:00");
    ok = ok && insertMatrix("300001.SZ", 3, 5);
    loadStockCache();
    clearUserLists();
    addBlockStock("b1", "600002.SH,999999.SH", false);
    addBlockStock("empty", "999999.SH", false);
    setListYear(kYear);
    return ok;
}

inline std::unique_ptr<QTemporaryDir> openAnalysisFixture()
{
    auto dir = openFixtureDatabase({reportOf(1, "600001.SH", "2017-01-06 09:00:00"),
                                    reportOf(2, "600001.SH", "2017-01-05 09:00:00")});
    return dir && fillAnalysisFixture() ? std::move(dir) : nullptr;
}
