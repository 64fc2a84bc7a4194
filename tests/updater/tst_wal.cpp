// data.s3's WAL while the update engine syncs the stand-in's large data set, whose WAL reaches
// several times the file's size when nothing copies it back: it stays within 128 MB through the
// cycle and is cut to nothing while the engine waits. A GUI connection that holds a read snapshot through the
// cycle, an old one or the last package's, neither fails it nor loses a row, and once the reader
// is gone the WAL is cut.

#include "standin.h"

#include <QScopeGuard>
#include <QSemaphore>

#include <memory>

namespace {

// What the WAL may reach during a sync: a checkpoint past 64 MiB, and the package that passed it.
constexpr qint64 kWalBound = 128 * 1000 * 1000;

qint64 walSize()
{
    return QFileInfo(mainDatabasePath() + QStringLiteral("-wal")).size();
}

} // namespace

class TestWal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dataSet;
    std::unique_ptr<DevServer> m_server;
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase()
    {
        const QString large = m_dataSet.filePath(QStringLiteral("large"));
        const QStringList generate = {"generate", "--size", "large", "--seed", "1", "--out", large};
        QCOMPARE(QProcess::execute(DevServer::programPath(), generate), 0);
        const QString failure = startStandIn(&m_server, large);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(initMainDatabase(m_dir->path()));
    }

    void cleanup()
    {
        closeSqliteConnection(QStringLiteral("Fresh"));
        closeMainDatabase();
        m_dir.reset();
    }

    void boundedThroughTheSyncAndCutAfterIt()
    {
        qint64 peak = 0;
        EngineRunner engine;
        // On the engine's thread right after each package's commit, where the WAL is largest.
        QObject::connect(engine.updater, &QUpdater::packageImported, engine.updater,
                         [&peak] { peak = qMax(peak, walSize()); }, Qt::DirectConnection);
        engine.start();
        QVERIFY(waitFor([&] { return !engine.cycles.isEmpty(); }, 300000));
        const qint64 waiting = walSize();
        QVERIFY(engine.stop());
        QCOMPARE(engine.cycles, QList<bool>{true});
        QCOMPARE(engine.failed, QStringList());

        QVERIFY2(peak <= kWalBound, qPrintable(QStringLiteral("the WAL reached %1 bytes").arg(peak)));
        QCOMPARE(waiting, qint64(0));
        QCOMPARE(mismatchedTables(*m_server), QStringList());
        QCOMPARE(integrityCheck(), QStringLiteral("ok"));
    }

    void readerHoldingASnapshot_data()
    {
        QTest::addColumn<bool>("renewed");
        // Its snapshot keeps every later frame in the WAL.
        QTest::newRow("taken after the fifth package") << false;
        // It holds the last package's frames at the end of the cycle: the checkpoint copies
        // everything and only the cut of the WAL is kept.
        QTest::newRow("renewed after every package") << true;
    }

    void readerHoldingASnapshot()
    {
        QFETCH(bool, renewed);
        // The GUI's connection (this thread's) opens a read transaction after the fifth package
        // and keeps it through the end of the cycle, or takes a new one after each later package;
        // the engine waits for it to be taken.
        QSemaphore readerOpen;
        int packages = 0, seenPackages = 0, seenReports = 0;
        bool readerFailed = false;
        EngineRunner engine;
        QSqlDatabase gui = mainDatabase();
        QObject::connect(engine.updater, &QUpdater::packageImported, &engine.context, [&] {
            if (++seenPackages < 5 || (seenPackages > 5 && !renewed))
                return;
            if (seenPackages > 5)
                gui.rollback();
            readerFailed = readerFailed || !gui.transaction();
            seenReports = rowCount(QStringLiteral("T_Report"), gui);
            readerOpen.release();
        });
        QObject::connect(engine.updater, &QUpdater::packageImported, engine.updater, [&] {
            if (++packages == 5 || (packages > 5 && renewed))
                readerOpen.acquire();
        }, Qt::DirectConnection);
        // A failure below must not leave the engine waiting, or it would never stop.
        const auto unblock = qScopeGuard([&readerOpen] { readerOpen.release(1000000); });
        engine.start();
        QVERIFY(waitFor([&] { return !engine.cycles.isEmpty(); }, 300000));
        QVERIFY(!readerFailed);

        QCOMPARE(engine.cycles, QList<bool>{true});
        QCOMPARE(engine.failed, QStringList());
        QCOMPARE(rowCount(QStringLiteral("T_Report"), gui), seenReports);
        {
            QSqlDatabase fresh = sqliteConnection(QStringLiteral("Fresh"), mainDatabasePath());
            QCOMPARE(mismatchedTables(*m_server, fresh), QStringList());
            QCOMPARE(integrityCheck(fresh), QStringLiteral("ok"));
        }
        closeSqliteConnection(QStringLiteral("Fresh"));
        QVERIFY2(walSize() > 0, "the reader did not keep the WAL");

        // The reader ends; the waiting engine cuts the WAL, and the GUI writes as before.
        QVERIFY(gui.rollback());
        QVERIFY2(waitFor([] { return walSize() == 0; }, 60000), "the waiting engine did not cut the WAL");
        QVERIFY(execSql(QStringLiteral("update T_Report set Rpt_Readed = 1 where Rpt_ID = (select max(Rpt_ID) from T_Report)")));
        QVERIFY(engine.stop());
        QCOMPARE(mismatchedTables(*m_server), QStringList());
        QCOMPARE(integrityCheck(), QStringLiteral("ok"));
    }
};

QTEST_GUILESS_MAIN(TestWal)
#include "tst_wal.moc"
