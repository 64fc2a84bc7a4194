#include "datamigration.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "sqlhelpers.h"
#include "testfiles.h"
#include "userlists.h"
#include "userliststore.h"
#include "usersettings.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <memory>

namespace {

// A database whose last rows sit only in its WAL, as after a crash: the three files are copied
// while the writing connection is still open.
void makeDatabaseWithWal(const QString &dir, int rows)
{
    QTemporaryDir source;
    const QString path = source.filePath("data.s3");
    QVERIFY(runSql(sqliteConnection("Writer", path),
                   {"PRAGMA wal_autocheckpoint=0", "CREATE TABLE T (n INTEGER)",
                    QString("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < %1) INSERT INTO T SELECT n FROM c").arg(rows)}));
    QDir().mkpath(dir);
    for (const QString suffix : {"", "-wal", "-shm"})
        QVERIFY(QFile::copy(path + suffix, dir + "/data.s3" + suffix));
    closeSqliteConnection("Writer");
}

int rowCount(const QString &path)
{
    const int count = sqlValue(sqliteConnection("Reader", path), "SELECT count(*) FROM T").toInt();
    closeSqliteConnection("Reader");
    return count;
}

// A folder's contents as sorted relative paths.
QStringList tree(const QString &dir)
{
    QStringList names;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(dir).relativeFilePath(it.next());
    names.sort();
    return names;
}

} // namespace

class TestDataMigration : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_old;
    QString m_new;
    QStringList m_statuses;
    MigrationStatus status()
    {
        m_statuses.clear();
        return [this](const QString &text) { m_statuses << text; };
    }
    QString stored(const QString &key) { return iniValue(getUserConfigPath(), key); }

private slots:
    void init()
    {
        QFile::remove(getUserConfigPath());
        loadDefaultConfig();
        loadOptionConfig();
        resetUserLists();
        removeDirectory(legacyReportDir());
        m_tmp = std::make_unique<QTemporaryDir>();
        m_old = m_tmp->filePath("old");
        m_new = m_tmp->filePath("chosen/by/user");
        QDir().mkpath(m_old);
        setDataDir(m_old);
    }

    void everyStageOnceAndInOrder()
    {
        makeDatabaseWithWal(m_old, 50);
        QVERIFY(writeFile(m_old + "/day/600000.SH", "day"));
        QVERIFY(writeFile(legacyReportDir() + "/a.pdf", "a"));
        QVERIFY(writeFile(m_old + "/pdf/thesis.pdf", "mine")); // the user's: this data directory was chosen
        QVERIFY(writeFile(getUserConfigPath(), "[Inst]\nList=中信证券\n"));
        setNewDataDir(m_new);
        migrateLocalData(status());
        QCOMPARE(m_statuses, QStringList({"迁移数据文件...", "数据文件迁移完成", "清理旧报告文件...", "旧报告清理完成",
                                          "导入本地关注机构数据...", "导入本地关注机构数据完成"}));
        // The rows that lived only in the WAL came along.
        QCOMPARE(rowCount(m_new + "/data.s3"), 50);
        QCOMPARE(readFile(m_new + "/day/600000.SH"), QByteArray("day"));
        QCOMPARE(tree(m_old), QStringList({"pdf", "pdf/thesis.pdf"}));
        QVERIFY(!QFileInfo::exists(legacyReportDir()));
        QCOMPARE(stored("Option/DataDir"), m_new);
        QVERIFY(isConcernedInst("中信证券"));
        // A second start has nothing left to do.
        loadOptionConfig();
        migrateLocalData(status());
        QCOMPARE(m_statuses, QStringList());
        QCOMPARE(getDataDir(), m_new);
    }

    void occupiedTargetsStay()
    {
        makeDatabaseWithWal(m_old, 3);
        QVERIFY(writeFile(m_new + "/data.s3", "theirs"));
        QVERIFY(writeFile(m_old + "/fil/a.pdf", "old"));
        QVERIFY(writeFile(m_new + "/fil/b.pdf", "new"));
        QVERIFY(moveDataDirectory(m_old, m_new));
        QCOMPARE(readFile(m_new + "/data.s3"), QByteArray("theirs"));
        QVERIFY(!QFileInfo::exists(m_new + "/data.s3-wal"));
        QCOMPARE(rowCount(m_old + "/data.s3"), 3);
        QCOMPARE(tree(m_new + "/fil"), QStringList{"b.pdf"});
        QCOMPARE(tree(m_old + "/fil"), QStringList{"a.pdf"});
    }

    // Companions left in the target by another database that is gone would corrupt ours if SQLite
    // replayed them: they are dropped. One that cannot be (a folder of that name) stops the move, and
    // every file stays where it was.
    void companionsInTheTarget()
    {
        makeDatabaseWithWal(m_old, 7);
        QTemporaryDir other;
        makeDatabaseWithWal(other.path(), 9);
        QVERIFY(QDir().mkpath(m_new + "/data.s3-wal/x"));
        QVERIFY(QFile::copy(other.filePath("data.s3-shm"), m_new + "/data.s3-shm"));
        const QStringList before = tree(m_old);
        QVERIFY(!moveDatabaseFile(m_old + "/data.s3", m_new + "/data.s3"));
        QCOMPARE(tree(m_old), before);
        QVERIFY(!QFileInfo::exists(m_new + "/data.s3"));
        QVERIFY(removeDirectory(m_new + "/data.s3-wal") && QFile::copy(other.filePath("data.s3-wal"), m_new + "/data.s3-wal"));
        QVERIFY(moveDatabaseFile(m_old + "/data.s3", m_new + "/data.s3"));
        QCOMPARE(rowCount(m_new + "/data.s3"), 7);
    }

    void targetsThatAreNoMove()
    {
        makeDatabaseWithWal(m_old, 4);
        setNewDataDir(m_old);
        migrateLocalData();
        QCOMPARE(rowCount(m_old + "/data.s3"), 4);
        QCOMPARE(stored("Option/NewDataDir"), QString());

        QVERIFY(writeFile(m_tmp->filePath("afile"), "x"));
        const QString impossible = m_tmp->filePath("afile/data");
        setNewDataDir(impossible);
        QVERIFY(!moveDataDirectory(m_old, impossible));
        QCOMPARE(getDataDir(), m_old);
        QCOMPARE(rowCount(m_old + "/data.s3"), 4);
        QCOMPARE(getNewDataDir(), impossible); // kept, so the next start tries again
    }

    // The old report folder goes, read-only parts included; links in it go, never what they name.
    void oldReportFolderIsRemovedWithoutFollowingLinks()
    {
        const QString pdf = legacyReportDir();
        QVERIFY(writeFile(pdf + "/.hidden", "h"));
        QVERIFY(writeFile(pdf + "/sub/b.pdf", "b"));
        QVERIFY(QFile::setPermissions(pdf + "/sub", QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        const QString outsideFile = m_tmp->filePath("keep.txt");
        const QString outsideDir = m_tmp->filePath("keepdir");
        QVERIFY(writeFile(outsideFile, "mine"));
        QVERIFY(writeFile(outsideDir + "/inner.txt", "mine too"));
        QVERIFY(QFile::setPermissions(outsideFile, QFileDevice::ReadOwner));
        QVERIFY(QFile::link(outsideFile, pdf + "/link-to-file"));
        QVERIFY(QFile::link(outsideDir, pdf + "/link-to-dir"));
        QVERIFY(QFile::link(m_tmp->filePath("nowhere"), pdf + "/dangling"));
        migrateLocalData(status());
        QVERIFY(!QFileInfo::exists(pdf));
        QCOMPARE(m_statuses, QStringList({"清理旧报告文件...", "旧报告清理完成"}));
        QCOMPARE(readFile(outsideFile), QByteArray("mine"));
        QCOMPARE(QFileInfo(outsideFile).permissions() & QFileDevice::WriteOwner, QFileDevice::Permissions());
        QCOMPARE(readFile(outsideDir + "/inner.txt"), QByteArray("mine too"));

        // The report folder itself a link.
        QVERIFY(QFile::link(outsideDir, pdf));
        QVERIFY(removeDirectory(pdf));
        QVERIFY(!QFileInfo(pdf).isSymLink());
        QCOMPARE(tree(outsideDir), QStringList{"inner.txt"});
    }

    void legacyListsAreImportedOnce()
    {
        QVERIFY(writeFile(getUserConfigPath(), "[Portfolio]\nList=\"600000.SH,000001.SZ\"\n"
                                               "[Block]\nList=\"银行[600000.SH,601398.SH],地产[000002.SZ]\"\n"
                                               "[Inst]\nList=\"中信证券,国泰君安\"\n"
                                               "[Tag]\nList=\"重点[11,12],\"\n"
                                               "[Subscribe]\nList=\"银行研究[银\\\"行,张三,101,102],空[]\"\n"
                                               "[Option]\nPageSize=40\n"));
        importLegacyLists(getUserConfigPath(), status());
        QCOMPARE(m_statuses.mid(0, 2), QStringList({"导入本地自选股数据...", "导入本地自选股数据完成"}));
        QCOMPARE(getPortfolioList(), QStringList({"600000.SH", "000001.SZ"}));
        QCOMPARE(getBlockNameList(), QStringList({"银行", "地产"}));
        QVERIFY(isStockOfBlock("银行", "601398.SH"));
        QCOMPARE(getConcernedInstList(), QStringList({"国泰君安", "中信证券"}));
        QCOMPARE(getFavoriteReportIds("重点"), QStringList({"11", "12"}));
        QCOMPARE(getSubscribeNameList(), QStringList({"银行研究", "空"}));
        // Commas after the second belong to the codes; a quote stays inside its member.
        QCOMPARE(getSubscribeContent("银行研究"), QString(QUrl::toPercentEncoding("{\"ttl\":\"银\\\"行\",\"ath\":\"张三\",\"cod\":\"101,102\"}")));
        QCOMPARE(getSubscribeContent("空"), QString(QUrl::toPercentEncoding(R"({"ttl":"","ath":"","cod":""})")));
        // Stamped, so the engine uploads what it handles.
        for (qint64 stamp : {getPortfolioModified(), getStockBlockModified(), getConcernedInstModified(),
                             getReportFavoriteModified(), getReportSubscribeModified()})
            QVERIFY(stamp > 0);
        // The keys stay, empty; other settings are untouched; a second run imports nothing.
        for (const char *key : {"Portfolio/List", "Block/List", "Inst/List", "Tag/List", "Subscribe/List"})
            QCOMPARE(stored(key), QString());
        QCOMPARE(stored("Option/PageSize"), QString("40"));
        importLegacyLists(getUserConfigPath(), status());
        QCOMPARE(m_statuses, QStringList());
    }
};

QTEST_MAIN(TestDataMigration)
#include "tst_datamigration.moc"
