#pragma once

// A data.s3 with ratings, their reports, stocks, estimates, annual figures, recommendations
// and analysts for the rating list tests. List year 2015; newest report entry
// 2017-01-06 15:30:00, so the 30-day window starts 2016-12-07 and RatingDays (180) 2016-07-10.

#include "analystcache.h"
#include "reportfixture.h"
#include "stockcache.h"

struct FixtureRating
{
    qint64 id;
    QString publish, inst, analysts, stock, recomm;
    int score;
    QString action;
    double pub = 0, fac = 1, lower = 0, upper = 0;
    qint64 pre = 0;
    int isNew = 0, readed = 0;
    double performShort = 0, performMiddle = 0;
};

// By publication, newest first: 201 202 203 210 204 205 206 211 207 208.
inline const QList<FixtureRating> &fixtureRatings()
{
    static const QList<FixtureRating> ratings = {
        {201, "2017-01-06", "中信证券", "张三[1001],李四[1002]", "000001.SZ", "买入", 4, "U", 10, 1, 12, 12, 205, 1, 0, 16, 0},
        {202, "2017-01-05", "国泰君安", "王五[1003]", "600519.SH", "强烈推荐", 5, "I", 280, 1, 500, 520, 0, 1, 0},
        {203, "2017-01-04", "中信证券", "张三[1101]", "300001.SZ", "增持", 4, "M", 20, 1, 18, 22, 206, 0, 1},
        {210, "2017-01-02", "华泰证券", "", "601988.SH", "买入", 5, "I", 3, 1, 0, 0, 0, 1, 0},
        {204, "2016-12-20", "O'Neil证券", "Smith[1004]", "002001.SZ", "中性", 3, "D", 15, 1, 0, 0, 0, 1, 0},
        {205, "2016-12-01", "中信证券", "张三[1001]", "000001.SZ", "买入", 4, "I", 9, 1, 11, 13, 0, 0, 0},
        {206, "2016-10-01", "中信证券", "张三[1101]", "300001.SZ", "买入", 4, "I", 21, 1, 25, 25, 0, 0, 1},
        {211, "2016-09-01", "华泰证券", "", "601988.SH", "中性", 3, "M", 3, 1, 0, 0, 0, 0, 1},
        {207, "2016-06-01", "海通证券", "", "600000.SH", "减持", 2, "D", 16, 1, 0, 0, 0, 0, 0},
        {208, "2015-12-31", "海通证券", "", "600000.SH", "卖出", 1, "I", 17, 1, 0, 0, 0, 0, 0},
    };
    return ratings;
}

inline bool insertRating(const FixtureRating &r)
{
    return execSql(QStringLiteral("insert into T_Rating (Rpt_ID, Ins_Name, Anl_List, Rpt_DtPublish, Stk_Code, Rat_Recomm, "
                                  "Rat_Score, Rat_Action, Rat_PrcPub, Rat_PrcFac, Rat_PrcLower, Rat_PrcUpper, "
                                  "Rat_PerformShort, Rat_PerformMiddle, Rpt_ID_Pre, Rat_New, Rpt_DtEntry, Rat_Readed) "
                                  "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {r.id, r.inst, r.analysts, r.publish, r.stock, r.recomm, r.score, r.action, r.pub, r.fac, r.lower,
                    r.upper, r.performShort, r.performMiddle, r.pre, r.isNew, r.publish + " 09:00:00", r.readed});
}

// Every rating but 210 has its report; report 201 was entered last.
inline std::unique_ptr<QTemporaryDir> openRatingFixture()
{
    QList<FixtureReport> reports;
    for (const FixtureRating &r : fixtureRatings()) {
        if (r.id == 210)
            continue;
        const QString entry = r.id == 201 ? QStringLiteral("2017-01-06 15:30:00") : r.publish + " 10:00:00";
        reports.append({r.id, entry, r.publish, r.inst, "STK.COM@CN", QStringLiteral("报告%1").arg(r.id), r.analysts,
                        r.stock, "", 0, int(r.id % 10) * 3});
    }
    auto dir = openFixtureDatabase(reports);
    if (!dir)
        return nullptr;
    setListYear(2015);
    bool ok = true;
    for (const FixtureRating &r : fixtureRatings())
        ok = ok && insertRating(r);
    // Stocks (code, name, industry, shares, close, factor, TTM profit), estimates (report, period,
    // stock, net profit), annual figures; recommended within the 30 days before the newest entry
    // (202) and before them (205).
    ok = ok && execSql("insert into T_Stock (Stk_Code, Stk_Name, Ind_Name, Stk_Share, Prc_Close, Prc_Factor, "
                       "Prf_5010_TTM, Stk_Quit) values ('000001.SZ', '平安银行', '银行', 100, 10, 1, 100, 0), "
                       "('002001.SZ', '新和成', '化工', 100, 14, 1, 0, 0), "
                       "('300001.SZ', '特锐德', '电气设备,机械', 50, 20, 1, 40, 0), "
                       "('600000.SH', '浦发银行', '银行', 100, 15, 1, 150, 0), "
                       "('600519.SH', '贵州茅台', '食品饮料', 10, 300, 1, 30, 0), "
                       "('601988.SH', '中国银行', '银行', 1000, 3.5, 1, 1000, 0)")
         && execSql("insert into T_Estimate (Rpt_ID, Est_Period, Stk_Code, Est_NetProfit) values "
                    "(201, '2016Q4', '000001.SZ', 150), (201, '2017Q4', '000001.SZ', 170), "
                    "(201, '2018Q4', '000001.SZ', 190), (205, '2016Q4', '000001.SZ', 140), "
                    "(205, '2017Q4', '000001.SZ', 175), (205, '2018Q4', '000001.SZ', 190), "
                    "(201, '2015Q4', '000001.SZ', 999), (203, '2016Q4', '000001.SZ', 999)")
         && execSql("insert into T_Finance (Stk_Code, Fin_Date, Prf_5010) values ('000001.SZ', '2015-12-31', 120), "
                    "('000001.SZ', '2014-12-31', 90), ('300001.SZ', '2016-12-31', 30)")
         && execSql("insert into T_Recommend (Rpt_ID, Rcm_DtAdd) values (202, '2017-01-05 12:00:00'), "
                    "(205, '2016-11-01 12:00:00')")
         && insertFixtureAnalysts();
    if (!ok)
        return nullptr;
    loadStockCache();
    loadAnalystCache();
    return dir;
}
