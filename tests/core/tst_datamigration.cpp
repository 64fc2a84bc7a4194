#include "datamigration.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "globalstate.h"
#include "userlists.h"
#include "usersettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

constexpr qint64 kAnyStamp = std::numeric_limits<qint64>::max();

void resetStore()
{
    for (const QString &name : getFavoriteNameList())
        deleteFavorite(name);
    for (const QString &name : getBlockNameList())
        deleteBlock(name);
    for (const QString &name : getSubscribeNameList())
        deleteSubscribe(name);
    for (const QString &name : getConcernedInstList())
        removeFromConcernedInstList(name);
    for (const QString &code : getPortfolioList())
        removeFromPortfolioList(code);
    clearConcernedInstModified(kAnyStamp);
    clearReportSubscribeModified(kAnyStamp);
    clearReportFavoriteModified(kAnyStamp);
    clearStockBlockModified(kAnyStamp);
    clearPortfolioModified(kAnyStamp);
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString storedSetting(const QString &key)
{
    QSettings settings(getUserConfigPath(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    return settings.value(key, QStringLiteral("<missing>")).toString();
}

// A database whose last rows sit only in its WAL, as after a crash: the copies of the three files
// are taken while the writing connection is still open.
void makeDatabaseWithWal(const QString &dir, int rows)
{
    QTemporaryDir source;
    const QString path = source.filePath(QStringLiteral("data.s3"));
    {
        QSqlDatabase db = sqliteConnection(QStringLiteral("Writer"), path);
        QVERIFY(db.isOpen());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")));
        QVERIFY(query.exec(QStringLiteral("CREATE TABLE T (n INTEGER)")));
        for (int i = 0; i < rows; ++i)
            QVERIFY(query.exec(QStringLiteral("INSERT INTO T VALUES (%1)").arg(i)));
        query.finish();
        QDir().mkpath(dir);
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
            QVERIFY2(QFileInfo::exists(path + suffix), qPrintable(path + suffix));
            QVERIFY(QFile::copy(path + suffix, dir + QStringLiteral("/data.s3") + suffix));
        }
    }
    closeSqliteConnection(QStringLiteral("Writer"));
}

int rowCount(const QString &path)
{
    int count = -1;
    {
        QSqlQuery query(sqliteConnection(QStringLiteral("Reader"), path));
        if (query.exec(QStringLiteral("SELECT count(*) FROM T")) && query.next())
            count = query.value(0).toInt();
    }
    closeSqliteConnection(QStringLiteral("Reader"));
    return count;
}

// Folder contents as "relative path" lines, for before/after comparisons.
QStringList tree(const QString &dir)
{
    QStringList names;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(dir).relativeFilePath(it.next());
    names.sort();
    return names;
}

} // namespace

class TestDataMigration : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(getUserConfigPath());
        loadDefaultConfig();
        loadOptionConfig();
        resetStore();
        removeDirectory(legacyReportDir());
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_old = m_tmp->filePath(QStringLiteral("old"));
        m_new = m_tmp->filePath(QStringLiteral("chosen/by/user"));
        QDir().mkpath(m_old);
        setDataDir(m_old);
    }

    void moveToAFreeFolder()
    {
        makeDatabaseWithWal(m_old, 50);
        QVERIFY(writeFile(m_old + QStringLiteral("/fil/report.pdf"), "pdf"));
        QVERIFY(writeFile(m_old + QStringLiteral("/day/600000.SH"), "day"));
        setNewDataDir(m_new);

        QVERIFY(moveDataDirectory(getDataDir(), getNewDataDir()));

        // The rows that lived only in the WAL came along.
        QCOMPARE(rowCount(m_new + QStringLiteral("/data.s3")), 50);
        QCOMPARE(readFile(m_new + QStringLiteral("/fil/report.pdf")), QByteArray("pdf"));
        QCOMPARE(readFile(m_new + QStringLiteral("/day/600000.SH")), QByteArray("day"));
        QCOMPARE(tree(m_old), QStringList());
        QCOMPARE(getDataDir(), m_new);
        QCOMPARE(getNewDataDir(), QString());
        QCOMPARE(storedSetting(QStringLiteral("Option/DataDir")), m_new);
        QCOMPARE(storedSetting(QStringLiteral("Option/NewDataDir")), QString());
    }

    void occupiedTargetsStay()
    {
        makeDatabaseWithWal(m_old, 3);
        QVERIFY(writeFile(m_new + QStringLiteral("/data.s3"), "theirs"));
        QVERIFY(writeFile(m_old + QStringLiteral("/fil/a.pdf"), "old"));
        QVERIFY(writeFile(m_new + QStringLiteral("/fil/b.pdf"), "new"));
        QVERIFY(writeFile(m_old + QStringLiteral("/day/600000.SH"), "day"));

        QVERIFY(moveDataDirectory(m_old, m_new));

        QCOMPARE(readFile(m_new + QStringLiteral("/data.s3")), QByteArray("theirs"));
        QVERIFY(!QFileInfo::exists(m_new + QStringLiteral("/data.s3-wal")));
        QCOMPARE(rowCount(m_old + QStringLiteral("/data.s3")), 3);
        QCOMPARE(tree(m_new + QStringLiteral("/fil")), QStringList{QStringLiteral("b.pdf")});
        QCOMPARE(tree(m_old + QStringLiteral("/fil")), QStringList{QStringLiteral("a.pdf")});
        QCOMPARE(readFile(m_new + QStringLiteral("/day/600000.SH")), QByteArray("day"));
        QCOMPARE(getDataDir(), m_new);
    }

    void sameFolderIsWrittenAgain()
    {
        makeDatabaseWithWal(m_old, 4);
        setNewDataDir(m_old);
        migrateLocalData();
        QCOMPARE(rowCount(m_old + QStringLiteral("/data.s3")), 4);
        QCOMPARE(getDataDir(), m_old);
        QCOMPARE(storedSetting(QStringLiteral("Option/DataDir")), m_old);
        QCOMPARE(storedSetting(QStringLiteral("Option/NewDataDir")), QString());
    }

    void staleCompanionsInTheTargetAreDropped()
    {
        makeDatabaseWithWal(m_old, 7);
        // WAL files of another database that is gone: replayed onto ours they would corrupt it.
        QTemporaryDir other;
        makeDatabaseWithWal(other.path(), 9);
        QDir().mkpath(m_new);
        QVERIFY(QFile::copy(other.filePath(QStringLiteral("data.s3-wal")),
                            m_new + QStringLiteral("/data.s3-wal")));
        QVERIFY(QFile::copy(other.filePath(QStringLiteral("data.s3-shm")),
                            m_new + QStringLiteral("/data.s3-shm")));
        QVERIFY(moveDataDirectory(m_old, m_new));
        QCOMPARE(rowCount(m_new + QStringLiteral("/data.s3")), 7);
    }

    void databaseStaysWhenItsCompanionsCannotMove()
    {
        makeDatabaseWithWal(m_old, 5);
        // A folder named like the WAL can be neither removed as a file nor replaced.
        QVERIFY(QDir().mkpath(m_new + QStringLiteral("/data.s3-wal/x")));
        const QStringList before = tree(m_old);
        QVERIFY(!moveDatabaseFile(m_old + QStringLiteral("/data.s3"), m_new + QStringLiteral("/data.s3")));
        QCOMPARE(tree(m_old), before);
        QVERIFY(!QFileInfo::exists(m_new + QStringLiteral("/data.s3")));
        QCOMPARE(rowCount(m_old + QStringLiteral("/data.s3")), 5);
    }

    void targetThatCannotBeMadeKeepsTheData()
    {
        makeDatabaseWithWal(m_old, 2);
        QVERIFY(writeFile(m_tmp->filePath(QStringLiteral("afile")), "x"));
        const QString impossible = m_tmp->filePath(QStringLiteral("afile/data"));
        setNewDataDir(impossible);
        QVERIFY(!moveDataDirectory(m_old, impossible));
        QCOMPARE(getDataDir(), m_old);
        QCOMPARE(rowCount(m_old + QStringLiteral("/data.s3")), 2);
        // The choice is kept, so the next start tries again.
        QCOMPARE(getNewDataDir(), impossible);
    }

    void oldReportFolderIsRemoved()
    {
        const QString pdf = legacyReportDir();
        QCOMPARE(pdf, getDataLocation() + QStringLiteral("/pdf"));
        QVERIFY(writeFile(pdf + QStringLiteral("/a.pdf"), "a"));
        QVERIFY(writeFile(pdf + QStringLiteral("/.hidden"), "h"));
        QVERIFY(writeFile(pdf + QStringLiteral("/sub/b.pdf"), "b"));
        QVERIFY(QFile::setPermissions(pdf + QStringLiteral("/a.pdf"), QFileDevice::ReadOwner));
        QVERIFY(QFile::setPermissions(pdf + QStringLiteral("/sub/b.pdf"), QFileDevice::ReadOwner));
        QVERIFY(QFile::setPermissions(pdf + QStringLiteral("/sub"),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        // Links to things outside: the links go, their targets and their permissions stay.
        const QString outsideFile = m_tmp->filePath(QStringLiteral("keep.txt"));
        const QString outsideDir = m_tmp->filePath(QStringLiteral("keepdir"));
        QVERIFY(writeFile(outsideFile, "mine"));
        QVERIFY(writeFile(outsideDir + QStringLiteral("/inner.txt"), "mine too"));
        QVERIFY(QFile::setPermissions(outsideFile, QFileDevice::ReadOwner));
        QVERIFY(QFile::link(outsideFile, pdf + QStringLiteral("/link-to-file")));
        QVERIFY(QFile::link(outsideDir, pdf + QStringLiteral("/link-to-dir")));
        QVERIFY(QFile::link(m_tmp->filePath(QStringLiteral("nowhere")), pdf + QStringLiteral("/dangling")));

        setDataDir(m_old);
        QStringList statuses;
        migrateLocalData([&](const QString &text) { statuses << text; });

        QVERIFY(!QFileInfo::exists(pdf));
        QCOMPARE(statuses, (QStringList{QStringLiteral("清理旧报告文件..."), QStringLiteral("旧报告清理完成")}));
        QCOMPARE(readFile(outsideFile), QByteArray("mine"));
        QCOMPARE(QFileInfo(outsideFile).permissions() & QFileDevice::WriteOwner, QFileDevice::Permissions());
        QCOMPARE(readFile(outsideDir + QStringLiteral("/inner.txt")), QByteArray("mine too"));
        QFile::setPermissions(outsideFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void reportFolderThatIsALink()
    {
        const QString outsideDir = m_tmp->filePath(QStringLiteral("keepdir"));
        QVERIFY(writeFile(outsideDir + QStringLiteral("/inner.txt"), "mine"));
        QDir().mkpath(getDataLocation());
        QVERIFY(QFile::link(outsideDir, legacyReportDir()));
        QVERIFY(removeDirectory(legacyReportDir()));
        QVERIFY(!QFileInfo(legacyReportDir()).isSymLink());
        QCOMPARE(readFile(outsideDir + QStringLiteral("/inner.txt")), QByteArray("mine"));
    }

    void pdfFolderOfAChosenDataDirectoryIsTheUsers()
    {
        const QString users = m_old + QStringLiteral("/pdf");
        QVERIFY(writeFile(users + QStringLiteral("/thesis.pdf"), "mine"));
        QVERIFY(QFile::setPermissions(users + QStringLiteral("/thesis.pdf"), QFileDevice::ReadOwner));
        QStringList statuses;
        migrateLocalData([&](const QString &text) { statuses << text; });
        QCOMPARE(readFile(users + QStringLiteral("/thesis.pdf")), QByteArray("mine"));
        QCOMPARE(statuses, QStringList());
        QFile::setPermissions(users + QStringLiteral("/thesis.pdf"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void removeMissingDirectory()
    {
        QVERIFY(removeDirectory(m_tmp->filePath(QStringLiteral("never"))));
    }

    void splitGroups_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("groups"); // "name|body"
        QTest::newRow("two blocks") << "A[c1,c2],B[c3]" << QStringList{"A|c1,c2", "B|c3"};
        QTest::newRow("one") << "自选[600000.SH]" << QStringList{"自选|600000.SH"};
        QTest::newRow("no bracket") << "plain" << QStringList{"plain,|plain,"};
        QTest::newRow("empty body") << "A[],B[x]" << QStringList{"A|", "B|x"};
        QTest::newRow("comma in body") << "S[a,b,c,d]" << QStringList{"S|a,b,c,d"};
        QTest::newRow("trailing comma") << "A[x]," << QStringList{"A|x", ",|,"};
    }

    void splitGroups()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, groups);
        QStringList got;
        for (const LegacyGroup &group : splitLegacyGroups(text))
            got << group.name + QLatin1Char('|') + group.body;
        QCOMPARE(got, groups);
    }

    void subscribeContent_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("json");
        QTest::newRow("three parts") << "银行,张三,101" << "{\"ttl\":\"银行\",\"ath\":\"张三\",\"cod\":\"101\"}";
        QTest::newRow("commas in cod") << "t,a,1,2,3" << "{\"ttl\":\"t\",\"ath\":\"a\",\"cod\":\"1,2,3\"}";
        QTest::newRow("two parts") << "x,y" << "{\"ttl\":\"x\",\"ath\":\"y\",\"cod\":\"y\"}";
        QTest::newRow("one part") << "x" << "{\"ttl\":\"x\",\"ath\":\"x\",\"cod\":\"x\"}";
        QTest::newRow("empty parts") << ",," << "{\"ttl\":\"\",\"ath\":\"\",\"cod\":\"\"}";
        // A quote in a keyword stays inside its member.
        QTest::newRow("quote") << "a\",\"ath\":\"X,b,c" << "{\"ttl\":\"a\\\"\",\"ath\":\"\\\"ath\\\":\\\"X\",\"cod\":\"b,c\"}";
    }

    void subscribeContent()
    {
        QFETCH(QString, body);
        QFETCH(QString, json);
        const QString content = legacySubscribeContent(body);
        QCOMPARE(QUrl::fromPercentEncoding(content.toLatin1()), json);
        QCOMPARE(content, QString::fromLatin1(QUrl::toPercentEncoding(json)));
        // Always an object of exactly the three members.
        const QJsonObject object = QJsonDocument::fromJson(json.toUtf8()).object();
        QCOMPARE(object.keys(), (QStringList{"ath", "cod", "ttl"}));
        for (const QChar c : content)
            QVERIFY2(c.isLetterOrNumber() || QStringLiteral("%-._~").contains(c), qPrintable(content));
    }

    void legacyListsAreImportedOnce()
    {
        QVERIFY(writeFile(getUserConfigPath(),
                          "[Portfolio]\nList=\"600000.SH,000001.SZ\"\n"
                          "[Block]\nList=\"银行[600000.SH,601398.SH],地产[000002.SZ]\"\n"
                          "[Inst]\nList=\"中信证券,国泰君安\"\n"
                          "[Tag]\nList=\"重点[11,12],\"\n"
                          "[Subscribe]\nList=\"银行研究[银行,张三,101],空[]\"\n"
                          "[Option]\nPageSize=40\n"));
        QStringList statuses;
        importLegacyLists(getUserConfigPath(), [&](const QString &text) { statuses << text; });

        QCOMPARE(statuses, (QStringList{
                               QStringLiteral("导入本地自选股数据..."), QStringLiteral("导入本地自选股数据完成"),
                               QStringLiteral("导入本地自定义板块数据..."), QStringLiteral("导入本地自定义板块数据完成"),
                               QStringLiteral("导入本地关注机构数据..."), QStringLiteral("导入本地关注机构数据完成"),
                               QStringLiteral("导入本地收藏报告数据..."), QStringLiteral("导入本地收藏报告数据完成"),
                               QStringLiteral("导入本地报告订阅数据..."), QStringLiteral("导入本地报告订阅数据完成")}));
        QCOMPARE(getPortfolioList(), (QStringList{"600000.SH", "000001.SZ"}));
        QCOMPARE(getBlockNameList(), (QStringList{"银行", "地产"}));
        QVERIFY(isStockOfBlock(QStringLiteral("银行"), QStringLiteral("601398.SH")));
        QVERIFY(isStockOfBlock(QStringLiteral("地产"), QStringLiteral("000002.SZ")));
        QCOMPARE(getConcernedInstList().size(), 2);
        QVERIFY(isConcernedInst(QStringLiteral("国泰君安")));
        QCOMPARE(getFavoriteReportIds(QStringLiteral("重点")), (QStringList{"11", "12"}));
        QCOMPARE(getSubscribeNameList(), (QStringList{"银行研究", "空"}));
        QCOMPARE(QUrl::fromPercentEncoding(getSubscribeContent(QStringLiteral("银行研究")).toLatin1()),
                 QStringLiteral("{\"ttl\":\"银行\",\"ath\":\"张三\",\"cod\":\"101\"}"));

        // Stamped, so the engine uploads what it handles.
        QVERIFY(getPortfolioModified() > 0);
        QVERIFY(getStockBlockModified() > 0);
        QVERIFY(getConcernedInstModified() > 0);
        QVERIFY(getReportFavoriteModified() > 0);
        QVERIFY(getReportSubscribeModified() > 0);

        // The keys stay, empty; other settings are untouched; a second run imports nothing.
        for (const char *key : {"Portfolio/List", "Block/List", "Inst/List", "Tag/List", "Subscribe/List"})
            QCOMPARE(storedSetting(QLatin1String(key)), QString());
        QCOMPARE(storedSetting(QStringLiteral("Option/PageSize")), QStringLiteral("40"));
        statuses.clear();
        importLegacyLists(getUserConfigPath(), [&](const QString &text) { statuses << text; });
        QCOMPARE(statuses, QStringList());
    }

    void allStagesInOrder()
    {
        makeDatabaseWithWal(m_old, 1);
        setNewDataDir(m_new);
        QVERIFY(writeFile(legacyReportDir() + QStringLiteral("/a.pdf"), "a"));
        QSettings settings(getUserConfigPath(), QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        settings.setValue(QStringLiteral("Inst/List"), QStringLiteral("中信证券"));
        settings.sync();

        QStringList statuses;
        migrateLocalData([&](const QString &text) { statuses << text; });
        QCOMPARE(statuses, (QStringList{QStringLiteral("迁移数据文件..."), QStringLiteral("数据文件迁移完成"),
                                        QStringLiteral("清理旧报告文件..."), QStringLiteral("旧报告清理完成"),
                                        QStringLiteral("导入本地关注机构数据..."),
                                        QStringLiteral("导入本地关注机构数据完成")}));
        QCOMPARE(rowCount(m_new + QStringLiteral("/data.s3")), 1);
        QVERIFY(!QFileInfo::exists(legacyReportDir()));

        // A second start has nothing left to do.
        statuses.clear();
        loadOptionConfig();
        migrateLocalData([&](const QString &text) { statuses << text; });
        QCOMPARE(statuses, QStringList());
        QCOMPARE(getDataDir(), m_new);
    }

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_old;
    QString m_new;
};

QTEST_MAIN(TestDataMigration)
#include "tst_datamigration.moc"
