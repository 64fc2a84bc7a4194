#include "analystcache.h"
#include "databaseschema.h"
#include "dbconnection.h"
#include "stockcache.h"
#include "userlists.h"
#include "userliststore.h"

#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

namespace {

const QString kLatest = "2017-01-06 00:00:00";
const QString kOlder = "2016-12-30 00:00:00";

bool insert(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(mainDatabase());
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

bool addStock(const QString &code, const QString &name, const QVariant &quit = 0, const QString &industry = "",
              double share = 0, int count = 0, const QString &modified = "")
{
    return insert("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name, Stk_Share, Prc_Count, Prc_DtModify) "
                  "values (?, ?, ?, ?, ?, ?, ?)", {code, name, quit, industry, share, count, modified});
}

bool addMatrix(const QString &code, int level, const QString &updated = kLatest)
{
    return insert("insert into T_Matrix (Stk_Code, Mtx_Level, Mtx_DtUpdate) values (?, ?, ?)", {code, level, updated});
}

bool addAnalyst(int id, int uid, const QString &name, const QString &inst, int isNew, const QString &updated = kLatest)
{
    return insert("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Anl_New, Anl_DtUpdate) values (?, ?, ?, ?, ?, ?)",
                  {id, uid, name, inst, isNew, updated});
}

// Makes the database of each folder with fill(0) and fill(1), then loads the cache from them in
// turn, 300 times, on another thread while consistent() looks it up here. False at the first
// answer that no single load would give.
bool reloadWhileReading(const QString (&dirs)[2], const std::function<bool(int)> &fill, void (*load)(),
                        const std::function<bool()> &consistent)
{
    for (int f = 0; f < 2; ++f) {
        if (!initMainDatabase(dirs[f]) || !mainDatabase().transaction() || !fill(f) || !mainDatabase().commit())
            return false;
        closeMainDatabase();
    }
    std::atomic<bool> done{false};
    std::unique_ptr<QThread> loader(QThread::create([&] {
        for (int i = 0; i < 300; ++i) {
            setMainDatabaseDir(dirs[i % 2]);
            load();
        }
        closeMainDatabase();
        done = true;
    }));
    loader->start();
    bool ok = true;
    int checks = 0;
    for (; !done && ok; ++checks)
        ok = consistent();
    loader->wait();
    return ok && checks > 0;
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
        loadStockCache();
        QCOMPARE(getStockCodeList(), QStringList({"000001.SZ", "600000.SH"}));
        QCOMPARE(getStockIndustry("600000.SH"), QString("银行"));
        QCOMPARE(getStockPriceModifyTime("600000.SH"), QDateTime(QDate(2017, 1, 9), QTime(15, 0, 1)));
        QCOMPARE(getStockMatrixGrade("600000.SH"), QString("A+"));
        QVERIFY(getStockPriceModifyTime("000001.SZ").isNull() && getStockMatrixLevel("000001.SZ") == 0);
        for (const char *absent : {"600002.SH", "600003.SH", "600000.sh", ""})
            QVERIFY(!containsStockCode(absent) && getStockName(absent).isEmpty() && getStockPriceCount(absent) == 0);
    }

    void grades()
    {
        const char *grades[] = {"", "C-", "C", "C+", "B-", "B", "B+", "A-", "A", "A+", ""};
        for (int level = -1; level <= 10; ++level)
            QVERIFY(addStock(QString::number(level), "x") && addMatrix(QString::number(level), level));
        loadStockCache();
        for (int level = -1; level <= 10; ++level)
            QCOMPARE(getStockMatrixGrade(QString::number(level)), QString(level < 0 ? "" : grades[level]));
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

    void stockReloadWhileReading()
    {
        const QString dirs[2] = {m_dir->filePath("a"), m_dir->filePath("b")};
        QStringList codes[2];
        for (int f = 0; f < 2; ++f)
            for (int i = 0; i < 200; ++i)
                codes[f] << QString("%1.SH").arg(100000 + f * 100 + i);
        QVERIFY(addBlockStock("all", (codes[0] + codes[1]).join(','), false));
        const auto fill = [&](int f) {
            for (const QString &code : codes[f])
                if (!addStock(code, QString(f ? "B" : "A") + code) || !addMatrix(code, f + 1))
                    return false;
            return true;
        };
        const auto consistent = [&] {
            const QStringList list = getStockCodeList(), block = getBlockStockList("all");
            bool ok = (list.isEmpty() || list == codes[0] || list == codes[1]) && (block.isEmpty() || block == codes[0] || block == codes[1]);
            for (int i = 0; i < 400 && ok; i += 7) {
                const QString code = codes[i / 200].at(i % 200), name = getStockName(code);
                ok = name.isEmpty() || name == "A" + code || name == "B" + code;
            }
            return ok;
        };
        QVERIFY2(reloadWhileReading(dirs, fill, loadStockCache, consistent), "an answer that no single load gives");
        QCOMPARE(getStockCodeList(), codes[1]);
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
        // Persons come in the order of their lowest id.
        QCOMPARE(searchAnalystList(""), QStringList({"200", "100"}));
    }

    void search()
    {
        QVERIFY(addAnalyst(1, 1, "王明", "x", 1) && addAnalyst(2, 2, "张华", "x", 1));
        QVERIFY(addAnalyst(3, 3, "李明", "x", 1) && addAnalyst(4, 4, "Tom Lee", "x", 1));
        loadAnalystCache();
        QCOMPARE(searchAnalystList(""), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(searchAnalystList("明"), QStringList({"1", "3"}));
        QCOMPARE(searchAnalystList("tom"), QStringList()); // letter case counts
        QCOMPARE(searchAnalystList("Tom"), QStringList({"4"}));
    }

    // In the first file, id 2i+1 belongs to uid 10(i+1) ("A..."); in the second to uid 10(i+2)
    // ("B..."), and uid 10(i+1) is someone else. A lookup that mixed the id map of one load with
    // the persons of the other would answer "B" with the first uid.
    void analystReloadWhileReading()
    {
        const QString dirs[2] = {m_dir->filePath("a"), m_dir->filePath("b")};
        QStringList uids[2];
        for (int f = 0; f < 2; ++f)
            for (int i = 0; i < 100; ++i)
                uids[f] << QString::number((i + 1 + f) * 10);
        const auto fill = [&](int f) {
            for (int i = 0; i < 100; ++i) {
                const QString name = QString(f ? "B" : "A") + uids[f][i];
                if (!addAnalyst(2 * i + 1, uids[f][i].toInt(), name, "x", 1) || !addAnalyst(2 * i + 2, uids[f][i].toInt(), name, "x", 0))
                    return false;
            }
            return true;
        };
        const auto consistent = [&] {
            const QStringList all = searchAnalystList("");
            bool ok = all.isEmpty() || all == uids[0] || all == uids[1];
            for (int i = 0; i < 100 && ok; i += 5) {
                const QString name = getAnalystNameById(QString::number(2 * i + 1));
                ok = name.isEmpty() || name == "A" + uids[0][i] || name == "B" + uids[1][i];
            }
            return ok;
        };
        QVERIFY2(reloadWhileReading(dirs, fill, loadAnalystCache, consistent), "an answer that no single load gives");
        QCOMPARE(searchAnalystList(""), uids[1]);
    }
};

QTEST_GUILESS_MAIN(TestCaches)
#include "tst_caches.moc"
