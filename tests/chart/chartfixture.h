#pragma once

// A data.s3 and day folder for the chart window and pop-up tests, in a temporary folder that is
// also the data directory, with rows for the stock cache, ratings, reports and finance.

#include "databaseschema.h"
#include "daypricestore.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "fixturerows.h"
#include "globalstate.h"
#include "stockcache.h"
#include "usersettings.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <memory>

struct FixtureStock
{
    QString code, name;
    double factor = 1, share = 100;
    QString industry = QStringLiteral("银行,金融");
    int priceCount = 0;
    QString priceModify = QString();
    double ttm = 0;
    int level = 0;
};

inline std::unique_ptr<QTemporaryDir> openChartDatabase()
{
    loadDefaultConfig();
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid() || !initMainDatabase(dir->path()))
        return nullptr;
    setDataDir(dir->path());
    return dir;
}

// Reloads the stock cache after each stock.
inline bool insertStock(const FixtureStock &s)
{
    const bool ok = execSql(QStringLiteral("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name, Stk_Share, "
                                           "Prc_Factor, Prc_Count, Prc_DtModify, Prf_5010_TTM) "
                                           "values (?, ?, 0, ?, ?, ?, ?, ?, ?)"),
                            {s.code, s.name, s.industry, s.share, s.factor, s.priceCount, s.priceModify, s.ttm})
                    && (s.level == 0
                        || execSql(QStringLiteral("insert into T_Matrix (Stk_Code, Mtx_Level, Mtx_DtUpdate) "
                                                  "values (?, ?, '2016-01-01')"),
                                   {s.code, s.level}));
    loadStockCache();
    return ok;
}

struct FixtureRating
{
    qint64 reportId;
    QString code, inst, publish;
    QString recomm = QStringLiteral("买入");
    int score = 5;
    QString action = QStringLiteral("M");
    double factor = 1, lower = 0, upper = 0;
    int isNew = 1;
};

inline bool insertRating(const FixtureRating &r)
{
    return execSql(QStringLiteral("insert into T_Rating (Rpt_ID, Ins_Name, Rpt_DtPublish, Stk_Code, Rat_Recomm, "
                                  "Rat_Score, Rat_Action, Rat_PrcFac, Rat_PrcLower, Rat_PrcUpper, Rat_New) "
                                  "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                   {r.reportId, r.inst, r.publish, r.code, r.recomm, r.score, r.action, r.factor, r.lower, r.upper,
                    r.isNew});
}

// A price file for code with one row a day from first, modified at modify.
inline bool writePriceFile(const QString &code, const QDate &first, int days, const QString &modify)
{
    QStringList rows;
    for (int i = 0; i < days; ++i)
        rows << QStringLiteral("{\"dt\":\"%1\",\"pO\":10,\"pH\":11,\"pL\":9,\"pC\":%2,\"ch\":0,\"fc\":1,\"tM\":\"%3\"}")
                    .arg(first.addDays(i).toString(QStringLiteral("yyyy-MM-dd")))
                    .arg(10 + i % 3)
                    .arg(modify);
    bool ok = false;
    {
        QSqlDatabase db = sqliteConnection(QStringLiteral("Fixture"), dayPriceFilePath(code));
        ok = importDayPrices(db, QStringLiteral("{\"data\":[") + rows.join(',') + QStringLiteral("]}")).ok;
    }
    closeSqliteConnection(QStringLiteral("Fixture"));
    return ok;
}
