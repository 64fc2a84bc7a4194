#include "databaseschema.h"
#include "dbconnection.h"
#include "stockcache.h"
#include "userlists.h"

#include <QSqlError>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

struct Stock
{
    QString code;
    QString name;
    QVariant quit = 0;
    QString industry;
    double share = 0.0;
    double factor = 0.0;
    int priceCount = 0;
    QString modified;
};

// A stock with only a code, a name and a quit flag.
Stock plain(const QString &code, const QString &name, const QVariant &quit = 0)
{
    Stock s;
    s.code = code;
    s.name = name;
    s.quit = quit;
    return s;
}

bool insertStock(QSqlDatabase db, const Stock &s)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("insert into T_Stock (Stk_Code, Stk_Name, Stk_Quit, Ind_Name, Stk_Share, "
                                 "Prc_Factor, Prc_Count, Prc_DtModify) values (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant &v : {QVariant(s.code), QVariant(s.name), s.quit, QVariant(s.industry),
                              QVariant(s.share), QVariant(s.factor), QVariant(s.priceCount),
                              QVariant(s.modified)})
        query.addBindValue(v);
    if (!query.exec()) {
        qWarning() << query.lastError().text();
        return false;
    }
    return true;
}

bool insertMatrix(QSqlDatabase db, const QString &code, int level, const QString &updated)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("insert into T_Matrix (Stk_Code, Mtx_Level, Mtx_DtUpdate) values (?, ?, ?)"));
    query.addBindValue(code);
    query.addBindValue(level);
    query.addBindValue(updated);
    return query.exec();
}

void removeBlocks()
{
    for (const QString &name : getBlockNameList())
        deleteBlock(name);
}

const QString kLatest = QStringLiteral("2017-01-06 00:00:00");

} // namespace

class TestStockCache : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void recordFields();
    void unknownCodes();
    void onlyListedStocks();
    void onlyTheLatestMatrixSnapshot();
    void codesAscending();
    void grades_data();
    void grades();
    void failedLoadEmptiesTheCache();
    void blockStockList();
    void blockedStockInText_data();
    void blockedStockInText();
    void reloadWhileReading();

private:
    QSqlDatabase db() { return mainDatabase(); }
    std::unique_ptr<QTemporaryDir> dir;
};

void TestStockCache::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(initMainDatabase(dir->path()));
    removeBlocks();
}

void TestStockCache::cleanup()
{
    setStockCodeListForTest({});
    removeBlocks();
    closeMainDatabase();
    dir.reset();
}

void TestStockCache::recordFields()
{
    QVERIFY(insertStock(db(), {QStringLiteral("600000.SH"), QStringLiteral("浦发银行"), 0,
                               QStringLiteral("银行,金融"), 2.8e10, 1.25, 250,
                               QStringLiteral("2017-01-09 15:00:01")}));
    QVERIFY(insertStock(db(), {QStringLiteral("000001.SZ"), QStringLiteral("平安银行"), 0, QString(),
                               1.7e10, 0.5, 0, QStringLiteral("2017/01/09 15:00")}));
    QVERIFY(insertMatrix(db(), QStringLiteral("600000.SH"), 9, kLatest));
    loadStockCache();

    const QString a = QStringLiteral("600000.SH");
    QVERIFY(containsStockCode(a));
    QCOMPARE(getStockName(a), QStringLiteral("浦发银行"));
    QCOMPARE(getStockIndustry(a), QStringLiteral("银行"));
    QCOMPARE(getStockShare(a), 2.8e10);
    QCOMPARE(getStockFactor(a), 1.25);
    QCOMPARE(getStockPriceCount(a), 250);
    QCOMPARE(getStockPriceModifyTime(a), QDateTime(QDate(2017, 1, 9), QTime(15, 0, 1)));
    QCOMPARE(getStockMatrixLevel(a), 9);
    QCOMPARE(getStockMatrixGrade(a), QStringLiteral("A+"));

    const QString b = QStringLiteral("000001.SZ");
    QCOMPARE(getStockIndustry(b), QString());
    QVERIFY(getStockPriceModifyTime(b).isNull());
    QCOMPARE(getStockMatrixLevel(b), 0);
    QCOMPARE(getStockMatrixGrade(b), QString());
}

void TestStockCache::unknownCodes()
{
    QVERIFY(insertStock(db(), {QStringLiteral("600000.SH"), QStringLiteral("浦发银行"), 0,
                               QStringLiteral("银行"), 1.0, 1.0, 1, kLatest}));
    QVERIFY(insertMatrix(db(), QStringLiteral("600000.SH"), 5, kLatest));
    loadStockCache();
    for (const QString &code : {QStringLiteral("600000.sh"), QStringLiteral("600000"), QString()}) {
        QVERIFY(!containsStockCode(code));
        QCOMPARE(getStockName(code), QString());
        QCOMPARE(getStockIndustry(code), QString());
        QCOMPARE(getStockShare(code), 0.0);
        QCOMPARE(getStockFactor(code), 0.0);
        QCOMPARE(getStockPriceCount(code), 0);
        QVERIFY(getStockPriceModifyTime(code).isNull());
        QCOMPARE(getStockMatrixLevel(code), 0);
        QCOMPARE(getStockMatrixGrade(code), QString());
    }
}

void TestStockCache::onlyListedStocks()
{
    QVERIFY(insertStock(db(), plain(QStringLiteral("600001.SH"), QStringLiteral("listed"), 0)));
    QVERIFY(insertStock(db(), plain(QStringLiteral("600002.SH"), QStringLiteral("quit"), 1)));
    QVERIFY(insertStock(db(), plain(QStringLiteral("600003.SH"), QStringLiteral("unknown"), QVariant())));
    loadStockCache();
    QCOMPARE(getStockCodeList(), QStringList{QStringLiteral("600001.SH")});
    QVERIFY(!containsStockCode(QStringLiteral("600002.SH")));
    QCOMPARE(getStockName(QStringLiteral("600002.SH")), QString());
    QVERIFY(!containsStockCode(QStringLiteral("600003.SH")));
}

void TestStockCache::onlyTheLatestMatrixSnapshot()
{
    QVERIFY(insertStock(db(), plain(QStringLiteral("600001.SH"), QStringLiteral("new"), 0)));
    QVERIFY(insertStock(db(), plain(QStringLiteral("600002.SH"), QStringLiteral("old"), 0)));
    QVERIFY(insertMatrix(db(), QStringLiteral("600001.SH"), 4, kLatest));
    QVERIFY(insertMatrix(db(), QStringLiteral("600002.SH"), 7, QStringLiteral("2016-12-30 00:00:00")));
    loadStockCache();
    QCOMPARE(getStockMatrixLevel(QStringLiteral("600001.SH")), 4);
    QCOMPARE(getStockMatrixLevel(QStringLiteral("600002.SH")), 0);
    QCOMPARE(getStockCodeList().size(), 2);
}

void TestStockCache::codesAscending()
{
    for (const char *code : {"600000.SH", "000002.SZ", "300001.SZ", "000001.SZ"})
        QVERIFY(insertStock(db(), plain(QLatin1String(code), QStringLiteral("x"), 0)));
    loadStockCache();
    QCOMPARE(getStockCodeList(), (QStringList{QStringLiteral("000001.SZ"), QStringLiteral("000002.SZ"),
                                              QStringLiteral("300001.SZ"), QStringLiteral("600000.SH")}));
}

void TestStockCache::grades_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("grade");
    const char *grades[] = {"", "C-", "C", "C+", "B-", "B", "B+", "A-", "A", "A+", ""};
    for (int level = 0; level <= 10; ++level)
        QTest::addRow("%d", level) << level << QString::fromLatin1(grades[level]);
    QTest::newRow("-1") << -1 << QString();
}

void TestStockCache::grades()
{
    QFETCH(int, level);
    QFETCH(QString, grade);
    QVERIFY(insertStock(db(), plain(QStringLiteral("600000.SH"), QStringLiteral("x"), 0)));
    QVERIFY(insertMatrix(db(), QStringLiteral("600000.SH"), level, kLatest));
    loadStockCache();
    QCOMPARE(getStockMatrixLevel(QStringLiteral("600000.SH")), level);
    QCOMPARE(getStockMatrixGrade(QStringLiteral("600000.SH")), grade);
}

void TestStockCache::failedLoadEmptiesTheCache()
{
    QVERIFY(insertStock(db(), plain(QStringLiteral("600000.SH"), QStringLiteral("x"), 0)));
    loadStockCache();
    QVERIFY(containsStockCode(QStringLiteral("600000.SH")));

    QSqlQuery drop(db());
    QVERIFY(drop.exec(QStringLiteral("drop table T_Matrix")));
    loadStockCache();
    QVERIFY(getStockCodeList().isEmpty());
    QVERIFY(!containsStockCode(QStringLiteral("600000.SH")));
}

void TestStockCache::blockStockList()
{
    for (const char *code : {"600000.SH", "000001.SZ", "000002.SZ"})
        QVERIFY(insertStock(db(), plain(QLatin1String(code), QStringLiteral("x"), 0)));
    loadStockCache();

    QVERIFY(addBlockStock(QStringLiteral("b"), QStringLiteral("600000.SH,999999.SH,,600000.SH"), false));
    QCOMPARE(getBlockStockList(QStringLiteral("b")), QStringList{QStringLiteral("600000.SH")});

    // Two blocks of one name are merged, each code once, sorted.
    QVERIFY(addBlockStock(QStringLiteral("c"), QStringLiteral("000002.SZ,600000.SH"), false));
    QVERIFY(changeBlockName(QStringLiteral("c"), QStringLiteral("b")));
    QVERIFY(addBlockStock(QStringLiteral("d"), QStringLiteral("000001.SZ"), false));
    QCOMPARE(getBlockStockList(QStringLiteral("b")),
             (QStringList{QStringLiteral("000002.SZ"), QStringLiteral("600000.SH")}));
    QVERIFY(getBlockStockList(QStringLiteral("none")).isEmpty());
    // Codes the cache lacks stay stored.
    QVERIFY(isStockOfBlock(QStringLiteral("b"), QStringLiteral("999999.SH")));
}

void TestStockCache::blockedStockInText_data()
{
    QTest::addColumn<QString>("codes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("found");

    QTest::newRow("no blocks") << QString() << QStringLiteral("600000 研究") << false;
    QTest::newRow("code part before the dot") << "600000.SH" << QStringLiteral("浦发(600000)点评") << true;
    QTest::newRow("stock name") << "600000.SH" << QStringLiteral("浦发银行点评") << true;
    QTest::newRow("neither") << "600000.SH" << QStringLiteral("银行业周报") << false;
    QTest::newRow("name without *, ST and A") << "000004.SZ" << QStringLiteral("天马点评") << true;
    QTest::newRow("8 characters") << "60000.SH" << QStringLiteral("60000 浦发银行") << false;
    QTest::newRow("10 characters") << "600000.SHA" << QStringLiteral("600000 浦发银行") << false;
    QTest::newRow("code without a dot") << "600000001" << QStringLiteral("x600000001") << true;
    QTest::newRow("name left empty") << "000005.SZ" << QStringLiteral("ST板块") << false;
    QTest::newRow("empty key matches nothing") << ".00000.SH" << QStringLiteral("any title") << false;
    QTest::newRow("names compare exactly") << "600000.SH" << QStringLiteral("浦发銀行") << false;
    QTest::newRow("second block") << "000001.SZ|000002.SZ,600000.SH" << QStringLiteral("600000") << true;
}

void TestStockCache::blockedStockInText()
{
    QFETCH(QString, codes);
    QFETCH(QString, text);
    QFETCH(bool, found);
    QVERIFY(insertStock(db(), plain(QStringLiteral("600000.SH"), QStringLiteral("浦发银行"), 0)));
    QVERIFY(insertStock(db(), plain(QStringLiteral("000004.SZ"), QStringLiteral("*ST天马A"), 0)));
    QVERIFY(insertStock(db(), plain(QStringLiteral("000005.SZ"), QStringLiteral("SST A*"), 0)));
    loadStockCache();
    const QStringList blocks = codes.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    for (int i = 0; i < blocks.size(); ++i)
        QVERIFY(addBlockStock(QStringLiteral("b%1").arg(i), blocks.at(i), false));
    QCOMPARE(containsBlockedStock(text), found);
}

// One thread reloads from two databases in turn while this one looks up: every answer comes from
// one whole load.
void TestStockCache::reloadWhileReading()
{
    constexpr int stocks = 200;
    const QString dirs[2] = {dir->filePath(QStringLiteral("a")), dir->filePath(QStringLiteral("b"))};
    QStringList codes[2];
    QStringList allCodes;
    for (int f = 0; f < 2; ++f) {
        QVERIFY(initMainDatabase(dirs[f]));
        QSqlDatabase fixture = mainDatabase();
        QVERIFY(fixture.transaction());
        for (int i = 0; i < stocks; ++i) {
            const QString code = QStringLiteral("%1.SH").arg(100000 + f * stocks / 2 + i);
            const QString prefix = QLatin1String(f ? "B" : "A");
            QVERIFY(insertStock(fixture, {code, prefix + code, 0, prefix, 1.0, 1.0, f + 1, kLatest}));
            QVERIFY(insertMatrix(fixture, code, f + 1, kLatest));
            codes[f] << code;
            if (!allCodes.contains(code))
                allCodes << code;
        }
        QVERIFY(fixture.commit());
        closeMainDatabase();
    }
    QVERIFY(addBlockStock(QStringLiteral("all"), allCodes.join(QLatin1Char(',')), false));

    std::atomic<bool> done{false};
    std::atomic<bool> stop{false};
    std::atomic<int> loads{0};
    std::unique_ptr<QThread> loader(QThread::create([&] {
        for (int i = 0; i < 300 && !stop; ++i) {
            setMainDatabaseDir(dirs[i % 2]);
            loadStockCache();
            ++loads;
        }
        closeMainDatabase();
        done = true;
    }));
    loader->start();
    // A failed check returns early; the loader must still end before its thread object goes.
    const auto joinLoader = qScopeGuard([&] {
        stop = true;
        loader->wait();
    });

    int checks = 0;
    while (!done) {
        const QStringList list = getStockCodeList();
        QVERIFY(list.isEmpty() || list == codes[0] || list == codes[1]);
        const QStringList block = getBlockStockList(QStringLiteral("all"));
        QVERIFY(block.isEmpty() || block == codes[0] || block == codes[1]);
        for (int i = 0; i < allCodes.size(); i += 7) {
            const QString &code = allCodes.at(i);
            const QString name = getStockName(code);
            QVERIFY2(name.isEmpty() || name == QLatin1Char('A') + code || name == QLatin1Char('B') + code,
                     qPrintable(code + QLatin1Char(' ') + name));
            const int count = getStockPriceCount(code);
            QVERIFY(count >= 0 && count <= 2);
            const QString industry = getStockIndustry(code);
            QVERIFY(industry.isEmpty() || industry == QLatin1String("A") || industry == QLatin1String("B"));
        }
        ++checks;
    }
    QVERIFY(loader->wait(60000));
    QCOMPARE(loads.load(), 300);
    QVERIFY(checks > 0);
    QCOMPARE(getStockCodeList(), codes[1]);
}

QTEST_GUILESS_MAIN(TestStockCache)
#include "tst_stockcache.moc"
