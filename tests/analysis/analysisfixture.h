#pragma once

// Stocks, consensus records, year-end figures and matrix levels written into a fixture
// data.s3 (openFixtureDatabase) for the analysis list tests, and helpers they share.

#include "analysislistrequest.h"
#include "jsonscript.h"
#include "listrecord.h"
#include "reportfixture.h"
#include "stockcache.h"
#include "stocklistsql.h"

#include <QLabel>
#include <QMenu>
#include <QSqlRecord>

// One row into table: columns as "A, B, C", a value each.
inline bool insertInto(const QString &table, const QString &columns, const QVariantList &values)
{
    QStringList marks;
    for (int i = 0; i < values.size(); ++i)
        marks << QStringLiteral("?");
    return execSql(QStringLiteral("insert into %1 (%2) values (%3)").arg(table, columns, marks.join(',')), values);
}

constexpr int kYear = 2015; // the list year Y
inline const QString kToday = QStringLiteral("2017-01-06 00:00:00");

// Listed stocks 600001.SH (reports of the newest day, consensus raised), 600002.SH (priced a
// day early, reported Y+1, in block "b1"), 000001.SZ (matrix level of an old snapshot),
// 300001.SZ (no price, stale consensus), 002001.SZ (falling); 600099.SH has quit.
inline bool fillAnalysisFixture()
{
    const QList<QVariantList> stocks = {
        {"600001.SH", "浦发", "银行,金融", 10, 100, 50, 500, 0, "2017-01-06", 0},
        {"600002.SH", "<b>阿尔法</b>", "钢铁", 11, 100, 50, 500, 1, "2017-01-05", 0},
        {"000001.SZ", "平安", "银行", 11, 100, 100, 500, 1, "2017-01-06", 0},
        {"300001.SZ", "特锐德", "电气", 0, 100, 50, 500, 0, "2017-01-06", 0},
        {"002001.SZ", "新和成", "化工", 12, 100, 50, 0, -1, "2017-01-06", 0},
        {"600099.SH", "退市", "银行", 10, 100, 50, 500, 0, "2017-01-06", 1},
    };
    // T_Consensus keys on code and type, so a stale snapshot of a type is written under
    // another code. Prf_5010_Next_*: profits.
    const QList<QVariantList> consensus = {
        {"600001.SH", "TDY", kToday, 5, 3, 1, 1, 8, 16, 18, 60, 70, 80, 50, 80, 60},
        {"600002.SH", "TDY", kToday, 2, 1, 1, 0, 2, 16.5, 16.5, 40, 0, 0, 49, 50, 40},
        {"000001.SZ", "TDY", kToday, 3, 3, 0, 0, 3, 12, 12, 80, 90, 0, 30, -1, 20},
        {"300001.SZ", "TDY", "2016-12-01 00:00:00", 9, 9, 0, 0, 9, 20, 20, 80, 0, 0, 90, 50, 50},
        {"600001.SH", "LST", "2017-01-01 00:00:00", 4, 2, 1, 1, 6, 14, 16, 50, 70, 90, 40, 0, 0},
        {"000001.SZ", "LST", "2017-01-01 00:00:00", 5, 3, 0, 0, 3, 12, 12, 0, 0, 0, 30, 0, 0},
        {"600002.SH", "LST", "2016-12-01 00:00:00", 1, 1, 0, 0, 1, 10, 10, 10, 0, 0, 10, 0, 0},
    };
    // Year-end equity, operating and net profit: 600001 has ROE 123.6 in Y and operating
    // profit down 99.5 % in Y-1; 600002 has reported Y+1.
    const QList<QVariantList> finance = {
        {"600001.SH", "2012-12-31", 1000, 100, 100}, {"600001.SH", "2013-12-31", 1000, 200, 125},
        {"600001.SH", "2014-12-31", 1000, 1, 0},     {"600001.SH", "2015-12-31", 1000, 2.202, 1236},
        {"600002.SH", "2015-12-31", 1000, 10, 25},   {"600002.SH", "2016-12-31", 1000, 10, 70},
    };
    const QList<QVariantList> matrix = {
        {"600001.SH", 8, 12.5, 10, "预增", kToday}, {"002001.SZ", 8, 0, 20, QVariant(), kToday},
        {"600002.SH", 7, 0, 99, QVariant(), kToday}, {"000001.SZ", 9, 0, 50, QVariant(), "2016-12-01 00:00:00"},
        {"300001.SZ", 3, 0, 5, QVariant(), kToday},
    };
    const QList<std::tuple<QString, QString, QList<QVariantList>>> tables = {
        {"T_Stock", "Stk_Code, Stk_Name, Ind_Name, Prc_Close, Stk_Share, Prf_5010_TTM, Blc_3010_TTM, Prc_Change, "
                    "Prc_Date, Stk_Quit", stocks},
        {"T_Consensus", "Stk_Code, Cns_Type, Cns_DtUpdate, Ins_Count, Ins_Count_Bull, Ins_Count_Neutral, Ins_Count_Bear, "
                        "Rat_Count, Min_Price_Lower, Max_Price_Upper, Prf_5010_Next_1, Prf_5010_Next_2, "
                        "Prf_5010_Next_3, CAGR_Next, Short_Success, Middle_Success", consensus},
        {"T_Finance", "Stk_Code, Fin_Date, Blc_3010, Prf_30, Prf_5010", finance},
        {"T_Matrix", "Stk_Code, Mtx_Level, OPG_TTM, CAGR_Last, Pre_Type, Mtx_DtUpdate", matrix},
    };
    bool ok = true;
    for (const auto &[table, columns, rows] : tables) {
        for (const QVariantList &row : rows)
            ok = ok && insertInto(table, columns, row);
    }
    loadStockCache();
    clearUserLists();
    addBlockStock("b1", "600002.SH,999999.SH", false);
    addBlockStock("empty", "999999.SH", false);
    setListYear(kYear);
    return ok;
}

inline std::unique_ptr<QTemporaryDir> openAnalysisFixture()
{
    const QString inst = QStringLiteral("中信证券"), code = QStringLiteral("STK.COM@CN");
    auto dir = openFixtureDatabase({{1, "2017-01-06 09:00:00", "", inst, code, "点评", "", "600001.SH", ""},
                                    {2, "2017-01-05 09:00:00", "", inst, code, "点评", "", "600001.SH", ""}});
    return dir && fillAnalysisFixture() ? std::move(dir) : nullptr;
}

inline AnalysisListRequest parseRequest(const QString &args, const QString &id = QStringLiteral("X"))
{
    JsonScript json;
    return AnalysisListRequest::parse(QStringLiteral("{\"id\": \"%1\", \"name\": \"n\", \"args\": {%2}}").arg(id, args),
                                      json);
}

// Every record of a list query, or one empty record when it fails.
inline QList<ListRecord> recordsOf(const BoundSql &sql)
{
    QSqlQuery query(mainDatabase());
    if (!sql.exec(query))
        return {ListRecord()};
    QList<ListRecord> list;
    while (query.next()) {
        ListRecord record;
        for (int i = 0; i < query.record().count(); ++i)
            record << query.value(i);
        list << record;
    }
    return list;
}

// Column of every record, as text.
inline QStringList columnOf(const QList<ListRecord> &records, int column = 0)
{
    QStringList list;
    for (const ListRecord &r : records)
        list << r.value(column).toString();
    return list;
}

inline QStringList split(const QString &text) { return text.split(QLatin1Char(','), Qt::SkipEmptyParts); }

inline QLabel *labelAt(QTableWidget *table, int row, int column)
{
    return qobject_cast<QLabel *>(table->cellWidget(row, column));
}

// Once the context menu is up: records the texts of its visible actions, runs action on it
// and closes it. Bound to context, so it never outlives the test.
inline void onMenu(QObject *context, QStringList *texts, const std::function<void(QMenu *)> &action = {})
{
    QTimer::singleShot(50, context, [texts, action] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *a : menu->actions()) {
            if (a->isVisible() && !a->isSeparator())
                *texts << a->text();
        }
        if (action)
            action(menu);
        menu->close();
    });
}
