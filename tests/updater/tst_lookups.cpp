// Every statement an importer runs for a row must find its rows through an index of the schema:
// a per-row statement that scans, or that narrows only part of its key through an index and
// then visits every row the index gives, costs a whole sync on a large data set. The statements
// are taken from SQLite's own trace of real imports, so a changed importer is checked as it is.

#include "databaseschema.h"
#include "dbconnection.h"
#include "packageimport.h"
#include "scratchdatabase.h"
#include "sqlhelpers.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDriver>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <memory>

namespace {

int collectStatement(unsigned type, void *statements, void *statement, void *)
{
    if (type == SQLITE_TRACE_STMT)
        static_cast<QSet<QString> *>(statements)->insert(
            QString::fromUtf8(sqlite3_sql(static_cast<sqlite3_stmt *>(statement))));
    return 0;
}

sqlite3 *handleOf(QSqlDatabase db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

// The table a statement reads or writes first: the one its where clause is about.
QString mainTable(const QString &sql)
{
    static const QRegularExpression table(QStringLiteral("\\b(?:from|update|into)\\s+(\\w+)"),
                                          QRegularExpression::CaseInsensitiveOption);
    return table.match(sql).captured(1);
}

// The columns of the statement's own where clause compared for equality with a bound value.
QSet<QString> equalityColumns(const QString &sql)
{
    const int where = sql.lastIndexOf(QLatin1String(" where "), -1, Qt::CaseInsensitive);
    QSet<QString> columns;
    if (where < 0)
        return columns;
    static const QRegularExpression equal(QStringLiteral("(\\w+)\\s*=\\s*(?:\\?|:\\w+)"));
    auto it = equal.globalMatch(sql.mid(where));
    while (it.hasNext())
        columns.insert(it.next().captured(1));
    return columns;
}

QSet<QString> columnSet(QSqlDatabase db, const QString &sql)
{
    const QStringList values = sqlColumn(db, sql);
    return QSet<QString>(values.begin(), values.end());
}

// The detail lines of a statement's plan, asked of SQLite itself: the driver's text names its
// parameters, which Qt would insist on binding.
QStringList planOf(sqlite3 *handle, const QString &sql, QString *error)
{
    QStringList details;
    sqlite3_stmt *statement = nullptr;
    const QByteArray text = "EXPLAIN QUERY PLAN " + sql.toUtf8();
    if (sqlite3_prepare_v2(handle, text.constData(), -1, &statement, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(handle));
        return details;
    }
    while (sqlite3_step(statement) == SQLITE_ROW)
        details << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 3)));
    sqlite3_finalize(statement);
    return details;
}

// What is wrong with the plan of one statement; empty when every table is searched through an
// index that takes all the key the statement gives.
QString planFault(QSqlDatabase db, sqlite3 *handle, const QString &sql)
{
    const QSet<QString> tables = columnSet(db, QStringLiteral("select name from sqlite_master where type = 'table'"));
    QString error;
    const QStringList details = planOf(handle, sql, &error);
    if (!error.isEmpty())
        return QStringLiteral("no plan: ") + error;
    static const QRegularExpression scan(QStringLiteral("^SCAN (\\w+)"));
    static const QRegularExpression search(QStringLiteral("^SEARCH (\\w+) USING (?:COVERING )?INDEX \\w+ \\((.*)\\)$"));
    static const QRegularExpression constrained(QStringLiteral("(\\w+)[=<>]"));
    for (const QString &detail : details) {
        const QRegularExpressionMatch s = scan.match(detail);
        if (s.hasMatch() && tables.contains(s.captured(1)))
            return detail;
        const QRegularExpressionMatch m = search.match(detail);
        if (!m.hasMatch() || m.captured(1) != mainTable(sql))
            continue;
        const QSet<QString> own = columnSet(db, QStringLiteral("select name from pragma_table_info('%1')").arg(m.captured(1)));
        QSet<QString> missing = equalityColumns(sql) & own;
        auto it = constrained.globalMatch(m.captured(2));
        while (it.hasNext())
            missing.remove(it.next().captured(1));
        if (!missing.isEmpty())
            return detail + QStringLiteral(" leaves ") + QStringList(missing.values()).join(QLatin1String(", "));
    }
    return {};
}

// Rows of each kind with the placeholder $t for their modification time.
const char kReport[] = R"({"id":7,"cd":"STK.COM@CN","in":"电子","sc":"600000.SH","is":"华信证券","an":"张三[1001]",)"
                       R"("tt":"标题","dP":"2017-01-09","pg":12,"tE":"2017-01-09 09:30:00","ty":"PDF","tM":"$t","ms":1})";

QString rating(int id, const char *published)
{
    return QStringLiteral(R"({"cd":"600000.SH","is":"华信证券","an":"张三[1001]","dP":"%2","rc":"买入","sc":5,"ac":"I",)"
                          R"("pP":12.5,"pF":1.25,"pL":14,"pU":16.5,"fs":0.35,"fm":-0.12,"nw":1,"id":%1,"pr":"",)"
                          R"("tE":"%2 10:00:00","tM":"$t"})")
        .arg(id)
        .arg(QLatin1String(published));
}

} // namespace

class TestLookups : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchDatabase> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<ScratchDatabase>();
        QVERIFY(m_dir->open());
    }

    void cleanup() { m_dir.reset(); }

    void everyRowStatementSearchesByItsWholeKey_data();
    void everyRowStatementSearchesByItsWholeKey();
};

void TestLookups::everyRowStatementSearchesByItsWholeKey_data()
{
    // Packages imported in turn, each "NAME rows"; every one twice, the second time newer, so that
    // both the insert and the update of each kind run.
    QTest::addColumn<QStringList>("packages");
    const QString report = QStringLiteral("RPTTDY.DAT [%1]").arg(QLatin1String(kReport));
    QTest::newRow("reports") << QStringList{report, QStringLiteral(R"(RPTDEL.DAT [{"id":7}])")};
    // A report sets the window of new ratings; the second rating takes the new flag of the first.
    QTest::newRow("ratings") << QStringList{report, "RATTDY.DAT [" + rating(7, "2017-01-05") + "]",
                                            "RAT_1.DAT [" + rating(8, "2017-01-09") + "]"};
    QTest::newRow("estimates") << QStringList{R"(ESTMTH201701.DAT [{"id":7,"pr":"2016","cd":"600000.SH","np":1.5,"tM":"$t"}])",
                                              R"(ESTDEL.DAT [{"id":7,"pr":"2016"}])"};
    QTest::newRow("finance") << QStringList{
        R"(FIN.DAT [{"cd":"600000.SH","dt":"2015-12-31","blc3010":1,"prf30":1,"prf5010":2,"tM":"$t"}])"};
    QTest::newRow("consensus") << QStringList{
        R"(CNS.DAT [{"cd":"600000.SH","tp":"TDY","ic":1,"uc":1,"nc":0,"bc":0,"rc":3,"sr":0.5,"mr":0.4,"pL":10,"pU":20,)"
        R"("p1":1,"p2":2,"p3":3,"cn":0.1,"dt":"2017-01-09","tM":"$t"}])"};
    QTest::newRow("matrix") << QStringList{
        R"(MTX.DAT [{"cd":"600000.SH","mx":3,"opgttm":0.1,"cagrlast":0.2,"pre":"预增","dt":"2017-01-09","tM":"$t"}])"};
    QTest::newRow("performance") << QStringList{
        R"(ACE.DAT [{"uid":1001,"yr":2015,"st":1,"rc":2,"sc":3,"ss":4,"sx":0.5,"si":-0.5,"sa":0.1,"mc":5,"ms":6,)"
        R"("mx":0.6,"mi":-0.6,"ma":0.2,"dt":"2017-01-09","tM":"$t"}])"};
    QTest::newRow("stocks") << QStringList{
        R"(STK.DAT [{"cd":"600000.SH","nm":"浦发银行","sp":"PFYH","qt":0,"pD":"2017-01-09","pC":12.5,"pG":0.1,"pF":1,)"
        R"("sh":5e8,"in":"银行","pN":100,"pM":"$t","b3010ttm":1,"p5010ttm":2,"tM":"$t"}])"};
    QTest::newRow("recommendations") << QStringList{R"(RCM.DAT [{"id":7,"vl":1,"tA":"$t","tM":"$t"},{"id":8,"vl":0}])"};
    QTest::newRow("analysts") << QStringList{
        R"(ANL.DAT [{"id":1,"nm":"张三","is":"华信证券","in":"电子","mn":24,"ui":1001,"nw":1,"dt":"2017-01-09","tM":"$t"},)"
        R"({"id":2,"nm":"张三","is":"华信证券","in":"电子","mn":25,"ui":1001,"nw":1,"dt":"2017-01-09","tM":"$t"}])",
        R"(ANLDEL.DAT [{"id":1}])"};
}

void TestLookups::everyRowStatementSearchesByItsWholeKey()
{
    QFETCH(QStringList, packages);
    QSqlDatabase db = mainDatabase();
    sqlite3 *handle = handleOf(db);
    QVERIFY(handle);
    QSet<QString> statements;
    sqlite3_trace_v2(handle, SQLITE_TRACE_STMT, collectStatement, &statements);
    for (const char *time : {"2017-01-09 17:00:00", "2017-01-10 17:00:00"}) {
        for (const QString &package : qAsConst(packages)) {
            const QString name = package.section(QLatin1Char(' '), 0, 0);
            const QByteArray rows = package.section(QLatin1Char(' '), 1).replace(QLatin1String("$t"), QLatin1String(time)).toUtf8();
            const QJsonDocument data = QJsonDocument::fromJson(rows);
            QVERIFY2(data.isArray(), qPrintable(package));
            const QByteArray text = QJsonDocument(QJsonObject{{"data", data.array()}}).toJson(QJsonDocument::Compact);
            ImportContext context;
            const DataRecord record{packageBaseName(name), QLatin1String(time)};
            const ImportResult result = importPackage(db, name, text, context, &record);
            QVERIFY2(result.ok() && result.skipped == 0, qPrintable(name + QLatin1Char(' ') + result.error));
        }
    }
    sqlite3_trace_v2(handle, 0, nullptr, nullptr);

    QVERIFY(statements.size() > 3);
    for (const QString &sql : qAsConst(statements))
    {
        const QString fault = planFault(db, handle, sql);
        QVERIFY2(fault.isEmpty(), qPrintable(sql + QStringLiteral("\n   ") + fault));
    }
}

QTEST_GUILESS_MAIN(TestLookups)
#include "tst_lookups.moc"
