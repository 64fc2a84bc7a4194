#include "analystcache.h"
#include "concurrently.h"
#include "databaseschema.h"
#include "dbconnection.h"
#include "fixturerows.h"
#include "stockcache.h"
#include "userlists.h"
#include "userliststore.h"

#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {

const QString kLatest = "2017-01-06 00:00:00";
const QString kOlder = "2016-12-30 00:00:00";

bool addStock(const QString &code, const QString &name, const QVariant &quit = 0, const QString &industry = "",
              double share = 0, int count = 0, const QString &modified = "")
{
    return execSql("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name, Stk_Share, Prc_Count, Prc_DtModify) "
                  "values (?, ?, ?, ?, ?, ?, ?)", {code, name, quit, industry, share, count, modified});
}

bool addMatrix(const QString &code, int level, const QString &updated = kLatest)
{
    return execSql("insert into T_Matrix (Stk_Code, Mtx_Level, Mtx_DtUpdate) values (?, ?, ?)", {code, level, updated});
}

bool addAnalyst(int id, int uid, const QString &name, const QString &inst, int isNew, const QString &updated = kLatest)
{
    return execSql("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Anl_New, Anl_DtUpdate) values (?, ?, ?, ?, ?, ?)",
                  {id, uid, name, inst, isNew, updated});
}

} // namespace

class TestCaches : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(initMainDatabase(m_dir->path()));
        loadStockCache(); // empty, as the file is
        loadAnalystCache();
        resetUserLists();
    }

    void cleanup()
    {
        closeMainDatabase();
        m_dir.reset();
    }

    void stockRecords()
    {
        QVERIFY(addStock("600000.SH", "浦发银行", 0, "银行,金融", 2.8e10, 250, "2017-01-09 15:00:01"));
        QVERIFY(addStock("000001.SZ", "平安银行", 0, "", 0, 0, "2017/01/09 15:00"));
        QVERIFY(addStock("600002.SH", "quit", 1));
        QVERIFY(addStock("600003.SH", "unknown", QVariant()));
        QVERIFY(addMatrix("600000.SH", 9));
        QVERIFY(addMatrix("000001.SZ", 7, kOlder)); // only the latest snapshot counts
        for (int level : {-1, 0, 1, 10})
            QVERIFY(addStock(QString("L%1").arg(level), "x") && addMatrix(QString("L%1").arg(level), level));
        loadStockCache();
        QCOMPARE(getStockCodeList(), QStringList({"000001.SZ", "600000.SH", "L-1", "L0", "L1", "L10"}));
        QCOMPARE(getStockIndustry("600000.SH"), QString("银行"));
        QCOMPARE(getStockPriceModifyTime("600000.SH"), QDateTime(QDate(2017, 1, 9), QTime(15, 0, 1)));
        QVERIFY(getStockPriceModifyTime("000001.SZ").isNull() && getStockMatrixLevel("000001.SZ") == 0);
        // Levels outside 1..9 have no grade.
        QCOMPARE(QStringList({getStockMatrixGrade("600000.SH"), getStockMatrixGrade("L1"), getStockMatrixGrade("L-1"),
                              getStockMatrixGrade("L0"), getStockMatrixGrade("L10")}),
                 QStringList({"A+", "C-", "", "", ""}));
        for (const char *absent : {"600002.SH", "600003.SH", "600000.sh", ""})
            QVERIFY(!containsStockCode(absent) && getStockName(absent).isEmpty() && getStockPriceCount(absent) == 0);
    }

    void failedLoadEmptiesTheCaches()
    {
        const auto load = [] {
            loadStockCache();
            loadAnalystCache();
        };
        QVERIFY(addStock("600000.SH", "x") && addAnalyst(1, 1, "王明", "x", 1));
        load();
        QVERIFY(containsStockCode("600000.SH") && getAnalystName("1") == "王明");
        QVERIFY(QSqlQuery(mainDatabase()).exec("drop table T_Matrix") && QSqlQuery(mainDatabase()).exec("drop table T_Analyst"));
        load();
        QVERIFY(getStockCodeList().isEmpty() && !containsStockCode("600000.SH"));
        QVERIFY(searchAnalystList("").isEmpty() && getAnalystName("1").isEmpty());
    }

    void blockStockList()
    {
        for (const char *code : {"600000.SH", "000001.SZ", "000002.SZ"})
            QVERIFY(addStock(code, "x"));
        loadStockCache();
        // Two blocks of one name are merged: codes the cache knows, each once, sorted.
        QVERIFY(addBlockStock("b", "600000.SH,999999.SH,,600000.SH", false));
        QVERIFY(addBlockStock("c", "000002.SZ,600000.SH", false));
        QVERIFY(changeBlockName("c", "b"));
        QVERIFY(addBlockStock("d", "000001.SZ", false));
        QCOMPARE(getBlockStockList("b"), QStringList({"000002.SZ", "600000.SH"}));
        QVERIFY(isStockOfBlock("b", "999999.SH")); // still stored
    }

    void blockedStockInText_data()
    {
        QTest::addColumn<QString>("codes"); // blocks separated by "|"
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("found");
        QTest::newRow("code part before the dot") << "600000.SH" << "浦发(600000)点评" << true;
        QTest::newRow("stock name") << "600000.SH" << "浦发银行点评" << true;
        QTest::newRow("neither") << "600000.SH" << "银行业周报" << false;
        QTest::newRow("name without *, ST and A") << "000004.SZ" << "天马点评" << true;
        QTest::newRow("code without a dot") << "600000001" << "x600000001" << true;
        QTest::newRow("name left empty") << "000005.SZ" << "ST板块" << false;
        QTest::newRow("empty key matches nothing") << ".00000.SH" << "any title" << false;
        QTest::newRow("second block") << "000001.SZ|000002.SZ,600000.SH" << "600000" << true;
    }

    void blockedStockInText()
    {
        QFETCH(QString, codes);
        QFETCH(QString, text);
        QFETCH(bool, found);
        QVERIFY(addStock("600000.SH", "浦发银行") && addStock("000004.SZ", "*ST天马A") && addStock("000005.SZ", "SST A*"));
        loadStockCache();
        const QStringList blocks = codes.split('|', Qt::SkipEmptyParts);
        for (int i = 0; i < blocks.size(); ++i)
            QVERIFY(addBlockStock(QString::number(i), blocks.at(i), false));
        QCOMPARE(containsBlockedStock(text), found);
    }

    void analystRecords()
    {
        // The current record of a person is the highest id among the current ones (Anl_New = 1).
        QVERIFY(addAnalyst(7, 100, "张三", "甲证券", 1));
        QVERIFY(addAnalyst(9, 100, "张三", "乙证券", 1));
        QVERIFY(addAnalyst(10, 100, "张三丰", "丙证券", 0));
        QVERIFY(addAnalyst(5, 200, "李四", "甲证券", 0)); // no current record
        QVERIFY(addAnalyst(2, 100, "王五", "x", 1, kOlder)); // older snapshots are ignored
        QVERIFY(addAnalyst(3, 301, "赵六", "x", 1, kOlder));
        loadAnalystCache();
        QCOMPARE(QStringList({getAnalystId("100"), getAnalystName("100"), getAnalystInst("100")}), QStringList({"9", "张三", "乙证券"}));
        QCOMPARE(getAnalystIdList("100"), QStringList({"7", "9", "10"}));
        QCOMPARE(getAnalystNameById("10"), QString("张三"));
        QCOMPARE(getAnalystIdListById("7"), QStringList({"7", "9", "10"}));
        QVERIFY(getAnalystName("200").isEmpty() && getAnalystId("200").isEmpty() && getAnalystIdList("200") == QStringList{"5"});
        QVERIFY(getAnalystNameById("2").isEmpty() && getAnalystName("301").isEmpty());
        QCOMPARE(getAnalystIdListById("2"), QStringList{"2"});
        // Ids and uids are different keys.
        QVERIFY(getAnalystName("9").isEmpty() && getAnalystNameById("100").isEmpty());
        // Persons come in the order of their lowest id; a search looks at the current name.
        QCOMPARE(searchAnalystList(""), QStringList({"200", "100"}));
        QCOMPARE(searchAnalystList("三") + searchAnalystList("三丰") + searchAnalystList("李"), QStringList{"100"});
    }

    // Two files, loaded in turn on another thread while this one looks up: no answer may be one that
    // no single load gives. In the first file, id 2i+1 belongs to uid 10(i+1) ("A..."); in the second
    // to uid 10(i+2) ("B..."), and uid 10(i+1) is someone else: a lookup that mixed the id map of one
    // load with the persons of the other would answer "B" with the first uid. Stocks likewise.
    void reloadWhileReading()
    {
        const QString dirs[2] = {m_dir->filePath("a"), m_dir->filePath("b")};
        QStringList codes[2], uids[2];
        for (int f = 0; f < 2; ++f)
            for (int i = 0; i < 200; ++i) {
                codes[f] << QString("%1.SH").arg(100000 + f * 100 + i);
                uids[f] << QString::number((i + 1 + f) * 10);
            }
        QVERIFY(addBlockStock("all", (codes[0] + codes[1]).join(','), false));
        for (int f = 0; f < 2; ++f) {
            QVERIFY(initMainDatabase(dirs[f]) && mainDatabase().transaction());
            const QString tag = f ? "B" : "A";
            for (int i = 0; i < 200; ++i)
                QVERIFY(addStock(codes[f][i], tag + codes[f][i]) && addMatrix(codes[f][i], f + 1)
                        && addAnalyst(2 * i + 1, uids[f][i].toInt(), tag + uids[f][i], "x", 1)
                        && addAnalyst(2 * i + 2, uids[f][i].toInt(), tag + uids[f][i], "x", 0));
            QVERIFY(mainDatabase().commit());
            closeMainDatabase();
        }
        const auto oneOf = [](const QStringList &found, const QStringList (&lists)[2]) {
            return found.isEmpty() || found == lists[0] || found == lists[1];
        };
        const auto load = [&] {
            for (int i = 0; i < 300; ++i) {
                setMainDatabaseDir(dirs[i % 2]);
                loadStockCache();
                loadAnalystCache();
            }
            closeMainDatabase();
        };
        QVERIFY2(checkWhileRunning(load, [&] {
                     bool ok = oneOf(getStockCodeList(), codes) && oneOf(getBlockStockList("all"), codes) && oneOf(searchAnalystList(""), uids);
                     for (int i = 0; i < 200 && ok; i += 7) {
                         const QString code = codes[i % 2][i], name = getStockName(code), analyst = getAnalystNameById(QString::number(2 * i + 1));
                         ok = (name.isEmpty() || name == "A" + code || name == "B" + code)
                              && (analyst.isEmpty() || analyst == "A" + uids[0][i] || analyst == "B" + uids[1][i]);
                     }
                     return ok;
                 }),
                 "an answer that no single load gives");
        QCOMPARE(getStockCodeList(), codes[1]);
        QCOMPARE(searchAnalystList(""), uids[1]);
    }
};

QTEST_GUILESS_MAIN(TestCaches)
#include "tst_caches.moc"
