#include "dbconnection.h"

#include <QtTest>
#include <QSemaphore>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <memory>

class TestDbConnection : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void guiThreadUsesMainDb();
    void missingFolderIsCreated();
    void unsetFolderGivesNoConnection();
    void notADatabase();
    void closeRemovesTheConnection();
    void followsTheDataFolder();
    void workerThreadsHaveTheirOwn();
    void readWhileAnotherThreadWrites();
    void writersWaitForEachOther();

private:
    std::unique_ptr<QTemporaryDir> dir;
};

static QVariant scalar(QSqlDatabase db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql) || !query.next())
        return QVariant();
    return query.value(0);
}

template <typename F>
static void runInThread(F work)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    QVERIFY(thread->wait(30000));
}

void TestDbConnection::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    setMainDatabaseDir(dir->path());
    QSqlQuery create(mainDatabase());
    QVERIFY(create.exec(QStringLiteral("create table if not exists T_Test (v INTEGER)")));
}

void TestDbConnection::cleanup()
{
    closeMainDatabase();
    dir.reset();
}

void TestDbConnection::guiThreadUsesMainDb()
{
    QSqlDatabase db = mainDatabase();
    QVERIFY(db.isOpen());
    QCOMPARE(db.connectionName(), QStringLiteral("MainDB"));
    QCOMPARE(db.databaseName(), dir->filePath(QStringLiteral("data.s3")));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    QCOMPARE(scalar(db, QStringLiteral("PRAGMA busy_timeout")).toInt(), kSqliteBusyTimeoutMs);
}

void TestDbConnection::missingFolderIsCreated()
{
    const QString nested = dir->filePath(QStringLiteral("a/b/c"));
    setMainDatabaseDir(nested);
    QVERIFY(mainDatabase().isOpen());
    QVERIFY(QFileInfo::exists(nested + QStringLiteral("/data.s3")));
}

void TestDbConnection::unsetFolderGivesNoConnection()
{
    setMainDatabaseDir(QString());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("No data folder")));
    QVERIFY(!mainDatabase().isOpen());
}

void TestDbConnection::notADatabase()
{
    const QString other = dir->filePath(QStringLiteral("junk"));
    QFile file(other + QStringLiteral("/data.s3"));
    QVERIFY(QDir().mkpath(other));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    setMainDatabaseDir(other);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot use")));
    QVERIFY(!mainDatabase().isOpen());
    QCOMPARE(file.size(), 4096);
}

void TestDbConnection::closeRemovesTheConnection()
{
    QVERIFY(QSqlDatabase::contains(QStringLiteral("MainDB")));
    closeMainDatabase();
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("MainDB")));
    closeMainDatabase(); // no connection: nothing to do
    QVERIFY(mainDatabase().isOpen());
}

void TestDbConnection::followsTheDataFolder()
{
    QSqlQuery insert(mainDatabase());
    QVERIFY(insert.exec(QStringLiteral("insert into T_Test values (1)")));
    insert.finish();
    const QString other = dir->filePath(QStringLiteral("other"));
    setMainDatabaseDir(other);
    QSqlDatabase db = mainDatabase();
    QCOMPARE(db.databaseName(), other + QStringLiteral("/data.s3"));
    QVERIFY(!scalar(db, QStringLiteral("select count(*) from T_Test")).isValid());
}

void TestDbConnection::workerThreadsHaveTheirOwn()
{
    QString names[2];
    bool open[2] = {false, false};
    QSemaphore bothOpen;
    auto worker = [&](int i) {
        return [&, i] {
            QSqlDatabase db = mainDatabase();
            names[i] = db.connectionName();
            open[i] = db.isOpen() && scalar(db, QStringLiteral("PRAGMA journal_mode")).toString() == QLatin1String("wal");
            // Both connections exist at once.
            bothOpen.release();
            bothOpen.acquire(2);
            bothOpen.release(2);
        };
    };
    std::unique_ptr<QThread> a(QThread::create(worker(0)));
    std::unique_ptr<QThread> b(QThread::create(worker(1)));
    a->start();
    b->start();
    QVERIFY(a->wait(30000));
    QVERIFY(b->wait(30000));
    QVERIFY(open[0] && open[1]);
    QVERIFY(names[0] != names[1]);
    QVERIFY(names[0] != QLatin1String("MainDB") && names[1] != QLatin1String("MainDB"));
    // Removed as their threads exit, which is just after wait() has returned.
    QTRY_VERIFY(!QSqlDatabase::contains(names[0]));
    QTRY_VERIFY(!QSqlDatabase::contains(names[1]));
    QVERIFY(QSqlDatabase::contains(QStringLiteral("MainDB")));

    // An explicit close from the thread itself.
    bool removed = false;
    runInThread([&] {
        const QString name = mainDatabase().connectionName();
        closeMainDatabase();
        removed = !QSqlDatabase::contains(name);
    });
    QVERIFY(removed);
}

void TestDbConnection::readWhileAnotherThreadWrites()
{
    QSemaphore written;
    QSemaphore read;
    bool writeOk = false;
    std::unique_ptr<QThread> writer(QThread::create([&] {
        QSqlDatabase db = mainDatabase();
        QSqlQuery query(db);
        writeOk = db.transaction() && query.exec(QStringLiteral("insert into T_Test values (42)"));
        written.release();
        read.acquire();
        writeOk = db.commit() && writeOk;
        written.release();
    }));
    writer->start();

    written.acquire();
    // The GUI thread reads while the writer's transaction is open: the old snapshot, at once.
    QSqlDatabase db = mainDatabase();
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from T_Test")).toInt(), 0);
    read.release();
    written.acquire();
    QVERIFY(writer->wait(30000));
    QVERIFY(writeOk);
    QCOMPARE(scalar(db, QStringLiteral("select count(*) from T_Test")).toInt(), 1);
}

void TestDbConnection::writersWaitForEachOther()
{
    QSemaphore holding;
    bool firstOk = false;
    std::unique_ptr<QThread> first(QThread::create([&] {
        QSqlDatabase db = mainDatabase();
        QSqlQuery query(db);
        firstOk = db.transaction() && query.exec(QStringLiteral("insert into T_Test values (1)"));
        holding.release();
        QThread::msleep(300);
        firstOk = db.commit() && firstOk;
    }));
    first->start();
    holding.acquire();

    // A write from the GUI thread waits on the busy timeout instead of failing with "database is locked".
    QSqlQuery query(mainDatabase());
    QVERIFY2(query.exec(QStringLiteral("insert into T_Test values (2)")), qPrintable(query.lastError().text()));
    QVERIFY(first->wait(30000));
    QVERIFY(firstOk);
    QCOMPARE(scalar(mainDatabase(), QStringLiteral("select count(*) from T_Test")).toInt(), 2);
}

QTEST_GUILESS_MAIN(TestDbConnection)
#include "tst_dbconnection.moc"
