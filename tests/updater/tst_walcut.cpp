// The engine's checkpoint and cut of data.s3's WAL against the GUI's connection, on a WAL the
// engine's connection writes here: a GUI reader on the WAL's last frame lets the checkpoint copy
// everything but keeps the WAL from being cut, and the engine neither waits for it nor counts
// the cut as done; once the reader is gone the WAL is cut to nothing, in one go or in steps. A
// GUI commit leaves the engine's WAL to the engine.

#include "engineconnection.h"
#include "enginerunner.h"
#include "scratchdatabase.h"

#include <sqlite3.h>

#include <functional>
#include <memory>

namespace {

// SQLite's own file system with its sleeps counted: a connection sleeps only while it waits for
// a lock that another holds (its busy handler), so a count of 0 is a connection that never waited.
thread_local int lockWaits = 0;
sqlite3_vfs *plainVfs = nullptr;
sqlite3_vfs countingVfs;

int countedSleep(sqlite3_vfs *, int microseconds)
{
    ++lockWaits;
    return plainVfs->xSleep(plainVfs, microseconds);
}

// Runs work on a thread of its own whose connection to data.s3 is the engine's, opened there and
// closed after the work, and waits for it; the times that connection waited for a lock.
int asTheEngine(const std::function<void()> &work)
{
    int waits = 0;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        openEngineConnection();
        lockWaits = 0;
        work();
        waits = lockWaits;
        closeMainDatabase();
    }));
    thread->start();
    thread->wait();
    return waits;
}

// Reports with long titles, about a third of them per MB, in one transaction of the calling
// thread's connection.
bool addReports(int count)
{
    return execSql(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < ?) "
                                  "insert into T_Report (Rpt_ID, Rpt_Title, Rpt_Readed) "
                                  "select i, hex(randomblob(1500)), 0 from n"),
                   {count});
}

qint64 walSize()
{
    return QFileInfo(mainDatabasePath() + QStringLiteral("-wal")).size();
}

} // namespace

class TestWalCut : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchDatabase> m_database;

private slots:
    void initTestCase()
    {
        plainVfs = sqlite3_vfs_find(nullptr);
        QVERIFY(plainVfs);
        countingVfs = *plainVfs;
        countingVfs.zName = "counted-sleep";
        countingVfs.xSleep = countedSleep;
        QCOMPARE(sqlite3_vfs_register(&countingVfs, 1), SQLITE_OK);
    }

    void init()
    {
        m_database = std::make_unique<ScratchDatabase>();
        QVERIFY(m_database->open());
    }

    void cleanup() { m_database.reset(); }

    void cutKeptByAReaderOnTheLastFrame_data()
    {
        QTest::addColumn<int>("reports");
        QTest::addColumn<bool>("inSteps");
        QTest::newRow("one cut") << 1500 << false;
        // Past the 8 MiB that one lock cuts, several times.
        QTest::newRow("in steps") << 13000 << true;
    }

    void cutKeptByAReaderOnTheLastFrame()
    {
        QFETCH(int, reports);
        QFETCH(bool, inSteps);
        QCOMPARE(asTheEngine([&] { addReports(reports); }), 0);
        const QString version = sqlText(QStringLiteral("PRAGMA user_version"));
        const qint64 written = walSize();
        QCOMPARE(written > 8 << 20, inSteps);

        // The GUI's connection reads what the engine wrote and stays in its read transaction.
        QSqlDatabase gui = mainDatabase();
        QVERIFY(gui.transaction());
        QCOMPARE(rowCount(QStringLiteral("T_Report"), gui), reports);
        bool cut = true;
        const int waits = asTheEngine([&] { cut = checkpointEngineConnection(mainDatabase()); });
        QVERIFY2(waits == 0, qPrintable(QStringLiteral("the engine waited for the reader (%1 sleeps)").arg(waits)));
        QVERIFY2(!cut, "the cut that the reader kept counted as done");
        QCOMPARE(walSize(), written);
        // The checkpoint copied everything all the same: data.s3 alone holds the reports.
        QVERIFY(gui.commit());
        const QString copy = m_database->filePath(QStringLiteral("copy"));
        QVERIFY(QDir().mkpath(copy) && QFile::copy(mainDatabasePath(), copy + QStringLiteral("/data.s3")));
        QCOMPARE(rowCount(QStringLiteral("T_Report"), sqliteConnection(QStringLiteral("Copy"), copy + QStringLiteral("/data.s3"))),
                 reports);
        closeSqliteConnection(QStringLiteral("Copy"));

        // The reader is gone: the next try cuts the WAL.
        QCOMPARE(asTheEngine([&] { cut = checkpointEngineConnection(mainDatabase()); }), 0);
        QVERIFY(cut);
        QCOMPARE(walSize(), qint64(0));
        QCOMPARE(rowCount(QStringLiteral("T_Report")), reports);
        QCOMPARE(sqlText(QStringLiteral("PRAGMA user_version")), version);
        QCOMPARE(integrityCheck(), QStringLiteral("ok"));
    }

    // The GUI's commit of a read flag, with more than SQLite's 1,000 pages of the engine's in the
    // WAL, leaves them there: data.s3 itself does not change.
    void guiCommitLeavesTheEngineWal()
    {
        QCOMPARE(asTheEngine([] { addReports(3000); }), 0);
        QVERIFY(walSize() > 1000 * 4096);
        const qint64 fileSize = QFileInfo(mainDatabasePath()).size();
        QVERIFY(execSql(QStringLiteral("update T_Report set Rpt_Readed = 1 where Rpt_ID = ?"), {7}));
        QCOMPARE(QFileInfo(mainDatabasePath()).size(), fileSize);
        QCOMPARE(sqlText(QStringLiteral("select count(*) from T_Report where Rpt_Readed = 1")), QStringLiteral("1"));
    }
};

QTEST_GUILESS_MAIN(TestWalCut)
#include "tst_walcut.moc"
