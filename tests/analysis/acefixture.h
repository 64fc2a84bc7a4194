#pragma once

// Analysts (T_Analyst) and their yearly recommendation records (T_Ace) written into the
// analysis fixture's data.s3 for the analyst ranking tests.

#include "analysisfixture.h"
#include "analystcache.h"
#include "userlists.h"

constexpr int kAceYear = 2015; // the ranking year N
inline const QString kStale = QStringLiteral("2016-12-01 00:00:00");

// One term's completed and successful recommendations with their average and highest rise.
struct FixtureTerm
{
    int count = 0, success = 0;
    double avg = 0, max = 0;
};

inline bool insertAce(int uid, int year, int stocks, int ratings, FixtureTerm s, FixtureTerm m,
                      const QString &update = kToday)
{
    return insertInto("T_Ace", "Anl_UID, Ace_Year, Stk_Count, Rat_Count, Short_Count, Short_SuccessCount, Short_AvgRise, "
                      "Short_MaxRise, Middle_Count, Middle_SuccessCount, Middle_AvgRise, Middle_MaxRise, Ace_DtUpdate",
                      {uid, year, stocks, ratings, s.count, s.success, s.avg, s.max, m.count, m.success, m.avg, m.max,
                       update});
}

// 101 张三 (中信证券, 银行, 40 months, an older record too); 102 with two current records, the
// cache shows the higher (中信证券, 银行, 30 months); 103 O'Brien (O'Neil证券, 银行业, 12 months);
// 104 in T_Ace only; 106 only in a stale T_Analyst snapshot; 105 only in a stale T_Ace set.
inline bool fillAceFixture()
{
    // Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, Anl_Months, Anl_New, Anl_DtUpdate
    const QList<QVariantList> analysts = {
        {1000, 101, "张三", "中信证券", "银行", 20, 0, kToday},   {1001, 101, "张三", "中信证券", "银行", 40, 1, kToday},
        {1002, 102, "李四", "国泰君安", "钢铁", 5, 1, kToday},    {1003, 102, "李四", "中信证券", "银行", 30, 1, kToday},
        {1004, 103, "O'Brien", "O'Neil证券", "银行业", 12, 1, kToday}, {1006, 106, "旧人", "海通证券", "电气", 50, 1, kStale},
    };
    bool ok = true;
    for (const QVariantList &a : analysts)
        ok = ok && insertInto("T_Analyst", "Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, Anl_Months, Anl_New, "
                              "Anl_DtUpdate", a);
    ok = ok && insertAce(101, kAceYear, 5, 9, {10, 9, 4.44, 20.5}, {10, 8, 12.34, 30})
         && insertAce(101, kAceYear + 1, 4, 6, {3, 2, 1.5, 2.5}, {5, 4, 5, 6})
         && insertAce(102, kAceYear, 4, 4, {5, 3, 1, 2}, {10, 6, 3, 4})
         && insertAce(102, kAceYear + 1, 6, 8, {10, 8, 2, 3}, {4, 2, 1, 1})
         && insertAce(103, kAceYear + 1, 2, 2, {0, 0, 0, 0}, {2, 2, 7, 8})
         && insertAce(104, kAceYear, 1, 1, {1, 1, 1, 1}, {1, 0, -1, -1})
         && insertAce(106, kAceYear + 1, 8, 9, {10, 9, 1, 1}, {10, 9, 1, 1})
         && insertAce(105, kAceYear, 9, 9, {9, 9, 9, 9}, {9, 9, 9, 9}, kStale);
    loadAnalystCache();
    setAceYear(kAceYear);
    return ok;
}

inline std::unique_ptr<QTemporaryDir> openAceFixture()
{
    auto dir = openAnalysisFixture();
    return dir && fillAceFixture() ? std::move(dir) : nullptr;
}
