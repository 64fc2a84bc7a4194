#pragma once

// Analysts (T_Analyst) and their yearly recommendation records (T_Ace) written into the
// analysis fixture's data.s3 for the analyst ranking tests.

#include "analysisfixture.h"
#include "analystcache.h"
#include "userlists.h"

constexpr int kAceYear = 2015; // the ranking year N
inline const QString kNewest = QStringLiteral("2017-01-06 00:00:00");
inline const QString kStale = QStringLiteral("2016-12-01 00:00:00");

struct FixtureAnalyst
{
    int id, uid;
    QString name, inst, ind;
    int months = 0, isNew = 1;
    QString update = kNewest;
};

inline bool insertAnalyst(const FixtureAnalyst &a)
{
    return execSql(QStringLiteral("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, Anl_Months, "
                                  "Anl_New, Anl_DtUpdate) values (?, ?, ?, ?, ?, ?, ?, ?)"),
                   {a.id, a.uid, a.name, a.inst, a.ind, a.months, a.isNew, a.update});
}

// One term's completed and successful recommendations with their average and highest rise.
struct FixtureTerm
{
    int count = 0, success = 0;
    double avg = 0, max = 0;
};

struct FixtureAce
{
    int uid, year, stocks = 0, ratings = 0;
    FixtureTerm shortTerm, middleTerm;
    QString update = kNewest;
};

inline bool insertAce(const FixtureAce &a)
{
    return execSql(QStringLiteral("insert into T_Ace (Anl_UID, Ace_Year, Stk_Count, Rat_Count, Short_Count, "
                                  "Short_SuccessCount, Short_AvgRise, Short_MaxRise, Middle_Count, Middle_SuccessCount, "
                                  "Middle_AvgRise, Middle_MaxRise, Ace_DtUpdate) "
                                  "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {a.uid, a.year, a.stocks, a.ratings, a.shortTerm.count, a.shortTerm.success, a.shortTerm.avg,
                    a.shortTerm.max, a.middleTerm.count, a.middleTerm.success, a.middleTerm.avg, a.middleTerm.max,
                    a.update});
}

// 101 张三 (中信证券, 银行, 40 months, an older record too); 102 with two current records, the
// cache shows the higher (中信证券, 银行, 30 months); 103 O'Brien (O'Neil证券, 银行业, 12 months);
// 104 in T_Ace only; 106 only in a stale T_Analyst snapshot; 105 only in a stale T_Ace set.
inline bool fillAceFixture()
{
    const QList<FixtureAnalyst> analysts = {
        {1000, 101, "张三", "中信证券", "银行", 20, 0},
        {1001, 101, "张三", "中信证券", "银行", 40},
        {1002, 102, "李四", "国泰君安", "钢铁", 5},
        {1003, 102, "李四", "中信证券", "银行", 30},
        {1004, 103, "O'Brien", "O'Neil证券", "银行业", 12},
        {1006, 106, "旧人", "海通证券", "电气", 50, 1, kStale},
    };
    const QList<FixtureAce> aces = {
        {101, kAceYear, 5, 9, {10, 9, 4.44, 20.5}, {10, 8, 12.34, 30}},
        {101, kAceYear + 1, 4, 6, {3, 2, 1.5, 2.5}, {5, 4, 5, 6}},
        {102, kAceYear, 4, 4, {5, 3, 1, 2}, {10, 6, 3, 4}},
        {102, kAceYear + 1, 6, 8, {10, 8, 2, 3}, {4, 2, 1, 1}},
        {103, kAceYear + 1, 2, 2, {0, 0, 0, 0}, {2, 2, 7, 8}},
        {104, kAceYear, 1, 1, {1, 1, 1, 1}, {1, 0, -1, -1}},
        {106, kAceYear + 1, 8, 9, {10, 9, 1, 1}, {10, 9, 1, 1}},
        {105, kAceYear, 9, 9, {9, 9, 9, 9}, {9, 9, 9, 9}, kStale},
    };
    bool ok = true;
    for (const FixtureAnalyst &a : analysts)
        ok = ok && insertAnalyst(a);
    for (const FixtureAce &a : aces)
        ok = ok && insertAce(a);
    loadAnalystCache();
    setAceYear(kAceYear);
    return ok;
}

inline std::unique_ptr<QTemporaryDir> openAceFixture()
{
    auto dir = openAnalysisFixture();
    return dir && fillAceFixture() ? std::move(dir) : nullptr;
}
