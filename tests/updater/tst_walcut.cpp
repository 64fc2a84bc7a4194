// The engine's checkpoint and cut of data.s3's WAL against the GUI's connection, on a WAL the
// engine's connection writes here: a GUI reader on the WAL's last frame lets the checkpoint copy
// everything but keeps the WAL from being cut, and the engine neither waits for it nor counts
// the cut as done; once the reader is gone the WAL is cut to nothing, in one go or in steps. A
// GUI commit leaves the engine's WAL to the engine. However the cut ends, the engine's connection
// is back to its settings; a GUI commit inside a step stops the steps; no lock cuts more than
// 8 MiB; and a GUI write in a pause between two locks is copied and synced outside them.

#include "engineconnection.h"
#include "enginerunner.h"
#include "scratchdatabase.h"
#include "watchedvfs.h"

#include <QSqlDriver>

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
// closed after the work, and waits for it with this thread's events running (the GUI's writes
// asked for by the work); the times that connection waited for a lock.
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
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec();
    return waits;
}

// From the engine's thread: the GUI's thread writes the read flag of report id on its connection,
// and the engine's thread waits for it. True when it was written.
bool guiWritesAReadFlag(int id = 7)
{
    bool written = false;
    QMetaObject::invokeMethod(
        qApp, [&] { written = execSql(QStringLiteral("update T_Report set Rpt_Readed = 1 where Rpt_ID = ?"), {id}); },
        Qt::BlockingQueuedConnection);
    return written;
}

// Hands seen() the text of every statement that the calling thread's connection starts, before
// the statement takes any lock, while it lives.
class StatementWatch
{
public:
    explicit StatementWatch(std::function<void(const QByteArray &)> seen)
        : m_seen(std::move(seen))
    {
        const QVariant handle = mainDatabase().driver()->handle();
        m_db = *static_cast<sqlite3 *const *>(handle.constData());
        sqlite3_trace_v2(m_db, SQLITE_TRACE_STMT, &StatementWatch::started, this);
    }
    ~StatementWatch() { sqlite3_trace_v2(m_db, 0, nullptr, nullptr); }

private:
    static int started(unsigned, void *self, void *, void *sql)
    {
        static_cast<StatementWatch *>(self)->m_seen(QByteArray(static_cast<const char *>(sql)));
        return 0;
    }

    std::function<void(const QByteArray &)> m_seen;
    sqlite3 *m_db = nullptr;
};

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
        QVERIFY(watchedvfs::install());
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

    // Every way out of the cut: done, refused by a reader, or its steps stopped by a GUI commit
    // that came between a step's restart of the WAL and the step's own commit, so that the step
    // cut nothing. Each way leaves the engine's connection waiting for locks as usual (a package
    // commit that met a GUI write would fail at once) and cutting the WAL back to 64 MiB only;
    // no lock cuts more than 8 MiB of the file; stopped steps cut nothing more.
    void everyWayOutOfTheCut_data()
    {
        QTest::addColumn<int>("reports");
        QTest::addColumn<bool>("reader");
        QTest::addColumn<int>("guiCommitInStep"); // 0: none
        QTest::addColumn<bool>("cut");
        QTest::newRow("done in one go") << 1500 << false << 0 << true;
        QTest::newRow("done in steps") << 13000 << false << 0 << true;
        QTest::newRow("refused: a reader on the WAL") << 13000 << true << 0 << false;
        QTest::newRow("stopped: a GUI commit in the first step") << 13000 << false << 1 << false;
        QTest::newRow("stopped: a GUI commit in the third step") << 13000 << false << 3 << false;
    }

    void everyWayOutOfTheCut()
    {
        QFETCH(int, reports);
        QFETCH(bool, reader);
        QFETCH(int, guiCommitInStep);
        QFETCH(bool, cut);
        QCOMPARE(asTheEngine([&] { addReports(reports); }), 0);
        const qint64 written = walSize();
        QVERIFY(written > 0);
        if (reports > 10000)
            QVERIFY2(written > 3 * (8 << 20), "too small a WAL for several steps");
        QSqlDatabase gui = mainDatabase();
        if (reader) {
            QVERIFY(gui.transaction());
            QCOMPARE(rowCount(QStringLiteral("T_Report"), gui), reports);
        }

        bool done = !cut, guiWrote = false;
        QString settings;
        std::vector<std::pair<qint64, qint64>> walCuts;
        size_t cutsBeforeGuiCommit = 0;
        asTheEngine([&] {
            int steps = 0;
            // A step sets the size its commit cuts the WAL to just after it restarted the WAL.
            StatementWatch watch([&](const QByteArray &sql) {
                if (sql.startsWith("PRAGMA journal_size_limit = ") && !sql.endsWith(" 67108864")
                    && ++steps == guiCommitInStep) {
                    cutsBeforeGuiCommit = watchedvfs::seen().walCuts.size();
                    guiWrote = guiWritesAReadFlag();
                }
            });
            watchedvfs::reset();
            done = checkpointEngineConnection(mainDatabase());
            walCuts = watchedvfs::seen().walCuts;
            settings = sqlText(QStringLiteral("PRAGMA busy_timeout")) + QLatin1Char('/')
                + sqlText(QStringLiteral("PRAGMA journal_size_limit"));
        });
        if (reader)
            QVERIFY(gui.commit());

        QCOMPARE(done, cut);
        QCOMPARE(settings, QStringLiteral("%1/67108864").arg(kSqliteBusyTimeoutMs));
        for (const auto &walCut : walCuts) {
            QVERIFY2(walCut.first - walCut.second <= 8 << 20,
                     qPrintable(QStringLiteral("one lock cut the WAL from %1 to %2 bytes").arg(walCut.first).arg(walCut.second)));
        }
        if (cut) {
            QCOMPARE(walSize(), qint64(0));
            QVERIFY2(!walCuts.empty() && walCuts.back().second == 0, "no cut of the WAL seen");
        } else if (reader) {
            QCOMPARE(walSize(), written);
        } else {
            QVERIFY(guiWrote);
            QVERIFY2(walCuts.size() == cutsBeforeGuiCommit,
                     qPrintable(QStringLiteral("%1 cuts of the WAL after the GUI's commit").arg(walCuts.size() - cutsBeforeGuiCommit)));
            QCOMPARE(sqlText(QStringLiteral("select Rpt_Readed from T_Report where Rpt_ID = 7")), QStringLiteral("1"));
        }
        QCOMPARE(rowCount(QStringLiteral("T_Report")), reports);
        QCOMPARE(integrityCheck(), QStringLiteral("ok"));
    }

    // A GUI write while the engine pauses between two locks of the cut is copied into data.s3 and
    // synced before the next lock, not under it: on a disk with slow syncs a later GUI write would
    // wait for those syncs too. So is a second GUI write that commits while the engine copies the
    // first (SQLite leaves data.s3 unsynced after a copy that a commit overtook).
    void guiWriteInAPauseSyncedOutsideTheLock_data()
    {
        QTest::addColumn<int>("reports");
        QTest::addColumn<bool>("lastCutNext");
        QTest::addColumn<bool>("secondDuringTheCopy");
        QTest::newRow("before the next step") << 13000 << false << false;
        // One step, then the cut to nothing.
        QTest::newRow("before the last cut") << 3000 << true << false;
        QTest::newRow("two, before the next step") << 13000 << false << true;
        QTest::newRow("two, before the last cut") << 3000 << true << true;
    }

    void guiWriteInAPauseSyncedOutsideTheLock()
    {
        QFETCH(int, reports);
        QFETCH(bool, lastCutNext);
        QFETCH(bool, secondDuringTheCopy);
        QCOMPARE(asTheEngine([&] { addReports(reports); }), 0);
        const qint64 written = walSize();
        QVERIFY2(written > 8 << 20 && (written <= 16 << 20) == lastCutNext, qPrintable(QString::number(written)));

        bool cut = false, guiWrote = false, secondWrote = false;
        int syncs = -1;
        asTheEngine([&] {
            // The first step's commit, then its copy into data.s3: the next statement comes after the pause.
            enum { Cutting, Committed, Pausing, Written } stage = Cutting;
            StatementWatch watch([&](const QByteArray &sql) {
                if (stage == Cutting && sql == "COMMIT") {
                    stage = Committed;
                } else if (stage == Committed && sql.startsWith("PRAGMA wal_checkpoint")) {
                    stage = Pausing;
                } else if (stage == Pausing) {
                    stage = Written;
                    guiWrote = guiWritesAReadFlag();
                }
            });
            watchedvfs::reset();
            // The copy of the first write syncs the WAL before it copies.
            watchedvfs::seen().onWalSyncOutsideWriteLock = [&] {
                if (secondDuringTheCopy && stage == Written && !secondWrote)
                    secondWrote = guiWritesAReadFlag(8);
            };
            cut = checkpointEngineConnection(mainDatabase());
            syncs = watchedvfs::seen().syncsUnderWriteLock;
        });
        QVERIFY(guiWrote);
        QCOMPARE(secondWrote, secondDuringTheCopy);
        QVERIFY(cut);
        QVERIFY2(syncs == 0, qPrintable(QStringLiteral("data.s3 synced %1 times under the write lock").arg(syncs)));
        QCOMPARE(walSize(), qint64(0));
        QCOMPARE(sqlText(QStringLiteral("select group_concat(Rpt_ID) from T_Report where Rpt_Readed = 1")),
                 secondDuringTheCopy ? QStringLiteral("7,8") : QStringLiteral("7"));
        QCOMPARE(integrityCheck(), QStringLiteral("ok"));
    }
};

QTEST_GUILESS_MAIN(TestWalCut)
#include "tst_walcut.moc"
