#include "analystcache.h"
#include "databaseschema.h"
#include "dbconnection.h"

#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

const QString kLatest = QStringLiteral("2017-01-06 00:00:00");
const QString kOlder = QStringLiteral("2016-12-30 00:00:00");

struct Row
{
    int id;
    int uid;
    QString name;
    QString inst;
    int isNew;
    QString updated;
    QString industry;
    int months;
};

bool insert(QSqlDatabase db, const Row &r)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("insert into T_Analyst (Anl_ID, Anl_UID, Anl_Name, Ins_Name, Ind_Name, "
                                 "Anl_Months, Anl_New, Anl_DtUpdate) values (?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant &v : {QVariant(r.id), QVariant(r.uid), QVariant(r.name), QVariant(r.inst),
                              QVariant(r.industry), QVariant(r.months), QVariant(r.isNew),
                              QVariant(r.updated)})
        query.addBindValue(v);
    if (!query.exec()) {
        qWarning() << query.lastError().text();
        return false;
    }
    return true;
}

Row row(int id, int uid, const QString &name, const QString &inst, int isNew,
        const QString &updated = kLatest)
{
    return Row{id, uid, name, inst, isNew, updated, QStringLiteral("银行"), 24};
}

QStringList ids(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

} // namespace

class TestAnalystCache : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void currentRecordIsTheHighestNewRow();
    void personWithoutACurrentRecord();
    void olderSnapshotIsIgnored();
    void idsAscendNumerically();
    void lookupsById();
    void personsInOrderOfTheirLowestId();
    void search_data();
    void search();
    void failedLoadEmptiesTheCache();
    void reloadWhileReading();

private:
    QSqlDatabase db() { return mainDatabase(); }
    std::unique_ptr<QTemporaryDir> dir;
};

void TestAnalystCache::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    QVERIFY(initMainDatabase(dir->path()));
}

void TestAnalystCache::cleanup()
{
    QSqlQuery(db()).exec(QStringLiteral("delete from T_Analyst"));
    loadAnalystCache();
    closeMainDatabase();
    dir.reset();
}

void TestAnalystCache::currentRecordIsTheHighestNewRow()
{
    QVERIFY(insert(db(), {7, 100, QStringLiteral("张三"), QStringLiteral("甲证券"), 1, kLatest,
                          QStringLiteral("银行"), 12}));
    QVERIFY(insert(db(), {9, 100, QStringLiteral("张三"), QStringLiteral("乙证券"), 1, kLatest,
                          QStringLiteral("保险"), 30}));
    QVERIFY(insert(db(), {8, 100, QStringLiteral("张三丰"), QStringLiteral("丙证券"), 0, kLatest,
                          QStringLiteral("地产"), 50}));
    loadAnalystCache();
    const QString uid = QStringLiteral("100");
    QCOMPARE(getAnalystId(uid), QStringLiteral("9"));
    QCOMPARE(getAnalystName(uid), QStringLiteral("张三"));
    QCOMPARE(getAnalystInst(uid), QStringLiteral("乙证券"));
    QCOMPARE(getAnalystIndustry(uid), QStringLiteral("保险"));
    QCOMPARE(getAnalystMonths(uid), 30);
    QCOMPARE(getAnalystIdList(uid), ids("7,8,9"));
}

void TestAnalystCache::personWithoutACurrentRecord()
{
    QVERIFY(insert(db(), row(5, 200, QStringLiteral("李四"), QStringLiteral("甲证券"), 0)));
    loadAnalystCache();
    const QString uid = QStringLiteral("200");
    QCOMPARE(getAnalystName(uid), QString());
    QCOMPARE(getAnalystInst(uid), QString());
    QCOMPARE(getAnalystIndustry(uid), QString());
    QCOMPARE(getAnalystId(uid), QString());
    QCOMPARE(getAnalystMonths(uid), 0);
    QCOMPARE(getAnalystIdList(uid), ids("5"));
    QCOMPARE(searchAnalystList(QString()), QStringList{uid});
}

void TestAnalystCache::olderSnapshotIsIgnored()
{
    QVERIFY(insert(db(), row(1, 300, QStringLiteral("王五"), QStringLiteral("甲证券"), 1)));
    QVERIFY(insert(db(), row(2, 300, QStringLiteral("王五"), QStringLiteral("乙证券"), 1, kOlder)));
    QVERIFY(insert(db(), row(3, 301, QStringLiteral("赵六"), QStringLiteral("乙证券"), 1, kOlder)));
    loadAnalystCache();
    QCOMPARE(getAnalystIdList(QStringLiteral("300")), ids("1"));
    QCOMPARE(getAnalystInst(QStringLiteral("300")), QStringLiteral("甲证券"));
    QCOMPARE(getAnalystName(QStringLiteral("301")), QString());
    QCOMPARE(getAnalystNameById(QStringLiteral("2")), QString());
    QCOMPARE(getAnalystIdListById(QStringLiteral("2")), ids("2"));
    QCOMPARE(getAnalystIdListById(QStringLiteral("3")), ids("3"));
}

void TestAnalystCache::idsAscendNumerically()
{
    QVERIFY(insert(db(), row(10, 400, QStringLiteral("a"), QStringLiteral("x"), 1)));
    QVERIFY(insert(db(), row(9, 400, QStringLiteral("a"), QStringLiteral("y"), 1)));
    QVERIFY(insert(db(), row(100, 400, QStringLiteral("a"), QStringLiteral("z"), 0)));
    loadAnalystCache();
    QCOMPARE(getAnalystIdList(QStringLiteral("400")), ids("9,10,100"));
    QCOMPARE(getAnalystId(QStringLiteral("400")), QStringLiteral("10"));
    QCOMPARE(getAnalystInst(QStringLiteral("400")), QStringLiteral("x"));
}

void TestAnalystCache::lookupsById()
{
    QVERIFY(insert(db(), row(1001, 1, QStringLiteral("孙七"), QStringLiteral("甲证券"), 0)));
    QVERIFY(insert(db(), row(1002, 1, QStringLiteral("孙七"), QStringLiteral("乙证券"), 1)));
    QVERIFY(insert(db(), row(1003, 2, QStringLiteral("周八"), QStringLiteral("乙证券"), 1)));
    loadAnalystCache();
    QCOMPARE(getAnalystNameById(QStringLiteral("1001")), QStringLiteral("孙七"));
    QCOMPARE(getAnalystIdListById(QStringLiteral("1001")), ids("1001,1002"));
    QCOMPARE(getAnalystIdListById(QStringLiteral("1003")), ids("1003"));
    QCOMPARE(getAnalystNameById(QStringLiteral("9999")), QString());
    QCOMPARE(getAnalystIdListById(QStringLiteral("9999")), ids("9999"));
    // Ids and uids are different keys.
    QCOMPARE(getAnalystName(QStringLiteral("1001")), QString());
    QCOMPARE(getAnalystNameById(QStringLiteral("1")), QString());
    QVERIFY(getAnalystIdList(QStringLiteral("3")).isEmpty());
}

void TestAnalystCache::personsInOrderOfTheirLowestId()
{
    QVERIFY(insert(db(), row(3, 20, QStringLiteral("b"), QStringLiteral("x"), 1)));
    QVERIFY(insert(db(), row(5, 10, QStringLiteral("a"), QStringLiteral("x"), 1)));
    QVERIFY(insert(db(), row(1, 30, QStringLiteral("c"), QStringLiteral("x"), 1)));
    QVERIFY(insert(db(), row(2, 20, QStringLiteral("b"), QStringLiteral("x"), 0)));
    loadAnalystCache();
    QCOMPARE(searchAnalystList(QString()), ids("30,20,10"));
}

void TestAnalystCache::search_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("uids");
    QTest::newRow("empty keyword: everyone") << QString() << ids("1,2,3,4");
    QTest::newRow("substring") << QStringLiteral("明") << ids("1,3");
    QTest::newRow("whole name") << QStringLiteral("李明") << ids("3");
    QTest::newRow("letter case") << QStringLiteral("tom") << QStringList();
    QTest::newRow("exact letters") << QStringLiteral("Tom") << ids("4");
    QTest::newRow("no one") << QStringLiteral("赵") << QStringList();
}

void TestAnalystCache::search()
{
    QFETCH(QString, keyword);
    QFETCH(QStringList, uids);
    QVERIFY(insert(db(), row(1, 1, QStringLiteral("王明"), QStringLiteral("x"), 1)));
    QVERIFY(insert(db(), row(2, 2, QStringLiteral("张华"), QStringLiteral("x"), 1)));
    QVERIFY(insert(db(), row(3, 3, QStringLiteral("李明"), QStringLiteral("x"), 1)));
    QVERIFY(insert(db(), row(4, 4, QStringLiteral("Tom Lee"), QStringLiteral("x"), 1)));
    loadAnalystCache();
    QCOMPARE(searchAnalystList(keyword), uids);
}

void TestAnalystCache::failedLoadEmptiesTheCache()
{
    QVERIFY(insert(db(), row(1, 1, QStringLiteral("王明"), QStringLiteral("x"), 1)));
    loadAnalystCache();
    QCOMPARE(getAnalystName(QStringLiteral("1")), QStringLiteral("王明"));

    setMainDatabaseDir(QString());
    loadAnalystCache();
    QVERIFY(searchAnalystList(QString()).isEmpty());
    QCOMPARE(getAnalystName(QStringLiteral("1")), QString());
    QCOMPARE(getAnalystIdListById(QStringLiteral("1")), ids("1"));
    setMainDatabaseDir(dir->path());
}

// One thread reloads from two databases in turn while this one looks up. In the first, id 1 belongs
// to uid 10 ("A10"); in the second to uid 20 ("B20"), and uid 10 is someone else ("B10"). A lookup
// that mixed the id map of one load with the persons of the other would answer "B10".
void TestAnalystCache::reloadWhileReading()
{
    constexpr int persons = 100;
    const QString dirs[2] = {dir->filePath(QStringLiteral("a")), dir->filePath(QStringLiteral("b"))};
    QStringList uids[2];
    for (int f = 0; f < 2; ++f) {
        QVERIFY(initMainDatabase(dirs[f]));
        QSqlDatabase fixture = mainDatabase();
        QVERIFY(fixture.transaction());
        const QString prefix = QLatin1String(f ? "B" : "A");
        for (int i = 0; i < persons; ++i) {
            const int uid = (i + 1) * 10 + f * 10;
            const QString name = prefix + QString::number(uid);
            QVERIFY(insert(fixture, row(2 * i + 1, uid, name, prefix, 1)));
            QVERIFY(insert(fixture, row(2 * i + 2, uid, name, prefix, 0)));
            uids[f] << QString::number(uid);
        }
        QVERIFY(fixture.commit());
        closeMainDatabase();
    }

    std::atomic<bool> done{false};
    std::atomic<bool> stop{false};
    std::atomic<int> loads{0};
    std::unique_ptr<QThread> loader(QThread::create([&] {
        for (int i = 0; i < 300 && !stop; ++i) {
            setMainDatabaseDir(dirs[i % 2]);
            loadAnalystCache();
            ++loads;
        }
        closeMainDatabase();
        done = true;
    }));
    loader->start();
    const auto joinLoader = qScopeGuard([&] {
        stop = true;
        loader->wait();
    });

    int checks = 0;
    while (!done) {
        const QStringList all = searchAnalystList(QString());
        QVERIFY(all.isEmpty() || all == uids[0] || all == uids[1]);
        for (int i = 0; i < persons; i += 5) {
            const QString id = QString::number(2 * i + 1);
            const QString name = getAnalystNameById(id);
            const QString a = QStringLiteral("A%1").arg((i + 1) * 10);
            const QString b = QStringLiteral("B%1").arg((i + 2) * 10);
            QVERIFY2(name.isEmpty() || name == a || name == b, qPrintable(id + QLatin1Char(' ') + name));
            const QStringList idList = getAnalystIdListById(id);
            QVERIFY(idList == (QStringList{id}) || idList == (QStringList{id, QString::number(2 * i + 2)}));
        }
        ++checks;
    }
    QVERIFY(loader->wait(60000));
    QCOMPARE(loads.load(), 300);
    QVERIFY(checks > 0);
    QCOMPARE(searchAnalystList(QString()), uids[1]);
}

QTEST_GUILESS_MAIN(TestAnalystCache)
#include "tst_analystcache.moc"
