#include "dbconnection.h"

#include "corelog.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

const char kMainDbConnectionName[] = "MainDB";
const char kMainDbFileName[] = "data.s3";

namespace {

QMutex dirMutex;
QString mainDir;

bool isGuiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// The connections a worker thread opened; they are removed when the thread ends.
class ThreadConnections
{
public:
    ThreadConnections()
    {
        static QAtomicInt lastSerial;
        serial = lastSerial.fetchAndAddRelaxed(1) + 1;
    }
    ~ThreadConnections()
    {
        for (const QString &name : qAsConst(names))
            QSqlDatabase::removeDatabase(name);
    }
    int serial = 0;
    QSet<QString> names;
};

ThreadConnections &threadConnections()
{
    thread_local ThreadConnections connections;
    return connections;
}

std::function<void(QSqlDatabase)> &threadSetUp()
{
    thread_local std::function<void(QSqlDatabase)> setUp;
    return setUp;
}

} // namespace

void setMainDatabaseDir(const QString &dataDir)
{
    QMutexLocker lock(&dirMutex);
    mainDir = dataDir;
}

QString mainDatabaseDir()
{
    QMutexLocker lock(&dirMutex);
    return mainDir;
}

QString mainDatabasePath()
{
    return mainDatabaseDir() + QLatin1Char('/') + QLatin1String(kMainDbFileName);
}

static QSqlDatabase connectionOn(const QString &baseName, const QString &filePath, bool *opened);

QSqlDatabase mainDatabase()
{
    if (mainDatabaseDir().isEmpty()) {
        qCWarning(lcCore) << "No data folder set for" << kMainDbFileName;
        return QSqlDatabase();
    }
    bool opened = false;
    QSqlDatabase db = connectionOn(QLatin1String(kMainDbConnectionName), mainDatabasePath(), &opened);
    // The update engine checkpoints on its own thread; a commit here (a read flag) must not copy
    // tens of MB of its WAL into the file on the GUI thread.
    if (opened && db.isOpen() && !QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0")))
        qCWarning(lcCore) << "data.s3 keeps checkpointing on commit";
    if (opened && db.isOpen() && threadSetUp())
        threadSetUp()(db);
    return db;
}

void setMainDatabaseSetUp(const std::function<void(QSqlDatabase)> &setUp)
{
    threadSetUp() = setUp;
    const QString name = sqliteConnectionName(QLatin1String(kMainDbConnectionName));
    if (setUp && QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            setUp(db);
    }
}

void closeMainDatabase()
{
    closeSqliteConnection(QLatin1String(kMainDbConnectionName));
}

QString sqliteConnectionName(const QString &baseName)
{
    if (isGuiThread())
        return baseName;
    return baseName + QLatin1Char('/') + QString::number(threadConnections().serial);
}

// Opens db on filePath and switches it to WAL; a file that SQLite cannot read is left closed.
static void openOn(QSqlDatabase &db, const QString &filePath)
{
    db.setDatabaseName(filePath);
    if (!QDir().mkpath(QFileInfo(filePath).absolutePath()))
        qCWarning(lcCore) << "Cannot create the folder of" << filePath;
    if (!db.open()) {
        qCWarning(lcCore) << "Cannot open" << filePath << db.lastError().text();
        return;
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next()) {
        qCWarning(lcCore) << "Cannot use" << filePath << query.lastError().text();
        query.finish();
        db.close();
        return;
    }
    const QString mode = query.value(0).toString();
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        qCWarning(lcCore) << filePath << "stays in journal mode" << mode;
}

QSqlDatabase sqliteConnection(const QString &baseName, const QString &filePath)
{
    bool opened = false;
    return connectionOn(baseName, filePath, &opened);
}

// As sqliteConnection(); *opened tells whether the connection was opened just now.
static QSqlDatabase connectionOn(const QString &baseName, const QString &filePath, bool *opened)
{
    const QString name = sqliteConnectionName(baseName);
    QSqlDatabase db;
    *opened = false;
    if (QSqlDatabase::contains(name)) {
        db = QSqlDatabase::database(name, false);
        if (db.isOpen() && db.databaseName() == filePath)
            return db;
        db.close();
    } else {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kSqliteBusyTimeoutMs));
        if (!isGuiThread())
            threadConnections().names.insert(name);
    }
    openOn(db, filePath);
    *opened = db.isOpen();
    return db;
}

void closeSqliteConnection(const QString &baseName)
{
    const QString name = sqliteConnectionName(baseName);
    if (!QSqlDatabase::contains(name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    if (!isGuiThread())
        threadConnections().names.remove(name);
}
