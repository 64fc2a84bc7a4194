#pragma once

// A data.s3 for the report list tests: the embedded configuration, a fresh database in a
// temporary folder, and helpers to fill T_Report, T_Stock and T_Analyst and to empty the
// user's lists between cases.

#include "analystcache.h"
#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "stockcache.h"
#include "userlists.h"
#include "usersettings.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

struct FixtureReport
{
    qint64 id = 0;
    QString entry;
    QString publish;
    QString inst;
    QString code;
    QString title;
    QString analysts;
    QString stock;
    QString industry;
    int imp = 0;
    int pages = 1;
    QString type = QStringLiteral("PDF");
    int readed = 0;
    int exclusive = 0;
};

inline bool insertReport(const FixtureReport &r)
{
    QSqlQuery q(mainDatabase());
    q.prepare(QStringLiteral(
        "insert into T_Report (Rpt_ID, Rpt_Code, Rpt_Imp, Rpt_Exclusive, Ind_Name, Stk_Code, Ins_Name, Anl_List, "
        "Rpt_Title, Rpt_DtPublish, Rpt_Page_Count, Rpt_DtEntry, Rpt_Type, Rpt_Readed, Rpt_DtModify) "
        "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QString publish = r.publish.isEmpty() ? r.entry.left(10) : r.publish;
    for (const QVariant &v :
         {QVariant(r.id), QVariant(r.code), QVariant(r.imp), QVariant(r.exclusive), QVariant(r.industry),
          QVariant(r.stock), QVariant(r.inst), QVariant(r.analysts), QVariant(r.title), QVariant(publish),
          QVariant(r.pages), QVariant(r.entry), QVariant(r.type), QVariant(r.readed), QVariant(r.entry)})
        q.addBindValue(v);
    if (!q.exec()) {
        qWarning() << "insert report" << r.id << q.lastError().text();
        return false;
    }
    return true;
}

inline bool insertStock(const QString &code, const QString &name, const QString &industry = QString())
{
    QSqlQuery q(mainDatabase());
    q.prepare(QStringLiteral("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name) values (?, ?, 0, ?)"));
    q.addBindValue(code);
    q.addBindValue(name);
    q.addBindValue(industry);
    return q.exec();
}

inline bool insertAnalyst(int id, int uid, const QString &name, const QString &inst, int isNew)
{
    QSqlQuery q(mainDatabase());
    q.prepare(QStringLiteral("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, Anl_Months, "
                             "Anl_New, Anl_DtUpdate) values (?, ?, ?, ?, '', 12, ?, '2017-01-01 00:00:00')"));
    q.addBindValue(id);
    q.addBindValue(uid);
    q.addBindValue(name);
    q.addBindValue(inst);
    q.addBindValue(isNew);
    return q.exec();
}

inline bool execSql(const QString &sql)
{
    QSqlQuery q(mainDatabase());
    if (q.exec(sql))
        return true;
    qWarning() << sql << q.lastError().text();
    return false;
}

// The embedded configuration and an empty data.s3 in a new temporary folder, which is also
// the data directory (report files go to its "File" folder).
inline std::unique_ptr<QTemporaryDir> openFixtureDatabase()
{
    loadDefaultConfig();
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid() || !initMainDatabase(dir->path()))
        return nullptr;
    setDataDir(dir->path());
    return dir;
}

inline void clearUserLists()
{
    for (const QString &name : getConcernedInstList())
        removeFromConcernedInstList(name);
    for (const QString &uid : getConcernedAnalystList())
        removeFromConcernedAnalystList(uid);
    for (const QString &code : getPortfolioList())
        removeFromPortfolioList(code);
    setMaskedInstList(QString());
    for (const QString &name : getBlockNameList())
        deleteBlock(name);
    for (const QString &name : getFavoriteNameList())
        deleteFavorite(name);
    for (const QString &name : getSubscribeNameList())
        deleteSubscribe(name);
}

// The [Orders] template of id with each "%key%" replaced by its value, as the main window
// fills it.
inline QString filledRequest(const QString &id, const QList<QPair<QString, QString>> &values = {})
{
    QString text = getOrderJson(id);
    for (const auto &kv : values)
        text.replace(QLatin1Char('%') + kv.first + QLatin1Char('%'), kv.second);
    return text;
}
