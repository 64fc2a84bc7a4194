#include "qupdater.h"

#include "analystcache.h"
#include "dbconnection.h"
#include "engineconnection.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "packageimport.h"
#include "qhttpclient.h"
#include "safeuncompress.h"
#include "serviceapi.h"
#include "stockcache.h"
#include "timetext.h"
#include "updaterlog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimer>

namespace {

constexpr int kTickMs = 1000;

// How long a reader keeps the WAL from being cut before the log says so.
constexpr qint64 kWalKeptNoticeMs = 3 * 60 * 1000;

// A monthly package of a busy year can reach tens of MB of JSON; past the core's cap a body
// is broken or hostile and counts as a failed download.
constexpr qint64 kMaxPackageBytes = kMaxUncompressedSize;

QString percentText(double percent)
{
    return QString::number(percent, 'f', 2) + QLatin1Char('%');
}

} // namespace

QUpdater::QUpdater()
    : QObject(nullptr)
{
    init();
}

QUpdater::~QUpdater()
{
    closeDatabase();
}

void QUpdater::init()
{
    stopped = false;
    pendingNames.clear();
    pendingTimes.clear();
    client = new QHttpClient(this);
}

void QUpdater::setCycleInterval(int seconds)
{
    cycleInterval = qMax(1, seconds);
}

void QUpdater::start()
{
    if (getProxyEnable() >= 1)
        client->setHttpProxy(getProxyHost(), quint16(getProxyPort()), getProxyUser(), getProxyPassword());
    else
        client->setNoProxy();

    // Opened here so that the connection belongs to this thread.
    databaseOpen = true;
    if (!openEngineConnection().isOpen())
        qCWarning(lcUpdater) << "data.s3 cannot be opened on the engine's thread";

    timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, qOverload<>(&QUpdater::timerEvent));
    lastCycle = QDateTime::currentDateTime().addSecs(-qMax(300, cycleInterval + 1));
    timer->start(kTickMs);
}

void QUpdater::stop()
{
    stopped = true;
    client->abort();
}

void QUpdater::pause()
{
    if (timer && timer->isActive())
        timer->stop();
    lastCycle = QDateTime::currentDateTime();
}

void QUpdater::resume()
{
    if (timer)
        timer->start(kTickMs);
}

void QUpdater::timerEvent()
{
    if (stopped) {
        pause();
        clearReportFiles();
        closeDatabase();
        emit exitSystem();
        return;
    }
    // An upload is still waiting for its answer; the client carries one request at a time.
    if (client->isBusy())
        return;
    if (lastCycle.secsTo(QDateTime::currentDateTime()) > cycleInterval - 1) {
        pause();
        downloadIndex();
        return;
    }
    // A reader kept the last checkpoint from cutting the WAL; it is tried again while waiting.
    if (walKept)
        cutWal();
    if (!uploadsBlocked) {
        for (UploadList list : uploadOrder()) {
            if (uploadStamp(list) > 0) {
                startUpload(list);
                return;
            }
        }
    }
    emit showStatus(QStringLiteral("线程等待..."));
}

template <typename Slot>
void QUpdater::connectClient(Slot finished)
{
    disconnect(client, nullptr, this, nullptr);
    connect(client, &QHttpClient::downloadProgress, this, &QUpdater::downloadProgress);
    connect(client, &QHttpClient::downloadFinished, this, finished);
}

void QUpdater::downloadProgress(double percent)
{
    const QString file = client->fileNameOfUrl();
    if (file.startsWith(QLatin1String("IDX")))
        emit showStatus(QStringLiteral("接收索引数据...") + percentText(percent));
    else
        emit showStatus(QStringLiteral("接收") + file + QStringLiteral("...") + percentText(percent));
}

void QUpdater::downloadIndex()
{
    emit showStatus(QStringLiteral("接收索引数据..."));
    connectClient(&QUpdater::downloadIndexFinished);
    if (!client->get(getIndexUrl(), true)) {
        resume();
        emit showStatus(QStringLiteral("接收索引数据失败！"));
        emit cycleFinished(false, 0, 0);
    }
}

void QUpdater::downloadIndexFinished(int code, const QByteArray &body)
{
    if (code != 0) {
        resume();
        emit showStatus(QStringLiteral("接收索引数据失败！"));
        emit cycleFinished(false, 0, 0);
        return;
    }
    parseIndex(bodyText(body));
}

void QUpdater::parseIndex(const QString &text)
{
    pendingNames.clear();
    pendingTimes.clear();
    failedTimes.clear();
    cycleFetched = 0;
    cycleFailed = 0;

    QSqlDatabase db = mainDatabase();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!db.isOpen() || !query.prepare(QStringLiteral("select Dat_DtModify from T_Data where Dat_Name = ?"))) {
        qCWarning(lcUpdater) << "T_Data cannot be read:" << query.lastError().text();
        endCycle(QStringLiteral("本地数据库无法打开！"), false);
        return;
    }

    JsonScript json;
    const QScriptValue data = json.parse(text).property(QStringLiteral("data"));
    const int n = jsonLength(data);
    const int dataYear = getDataYear();
    for (int i = 0; i < n; ++i) {
        const QScriptValue entry = jsonElement(data, i);
        const QString name = jsonText(entry, QStringLiteral("dt"));
        const QString time = jsonText(entry, QStringLiteral("tM"));
        const QString base = packageBaseName(name);
        if (isSkippedMonthlyPackage(base, dataYear))
            continue;
        query.bindValue(0, base);
        if (!query.exec())
            qCWarning(lcUpdater) << "T_Data cannot be read:" << query.lastError().text();
        const bool queue = !query.next() || dateTimeKey(query.value(0).toString()) < dateTimeKey(time);
        query.finish();
        if (queue) {
            pendingNames.append(name);
            pendingTimes.append(time);
        }
    }
    downloadDat();
}

void QUpdater::endCycle(const QString &text, bool complete)
{
    // What the cycle's last packages left in the WAL reaches data.s3 and the disk here, and the
    // WAL is cut while the engine waits.
    cutWal();
    emit showStatus(text);
    resume();
    emit cycleFinished(complete, cycleFetched, cycleFailed);
}

void QUpdater::cutWal()
{
    if (!databaseOpen)
        return;
    QSqlDatabase db = mainDatabase();
    if (checkpointEngineConnection(db)) {
        walKept = false;
        return;
    }
    if (!walKept) {
        walKept = true;
        walKeptSaid = false;
        walKeptSince.start();
        return;
    }
    // Once for each time it is kept: a GUI window left in a read transaction would show here.
    if (!walKeptSaid && walKeptSince.elapsed() >= kWalKeptNoticeMs) {
        walKeptSaid = true;
        qCWarning(lcUpdater).nospace() << "A reader has kept the WAL of data.s3 from being cut for "
                                       << walKeptSince.elapsed() / 60000 << " minutes; it holds "
                                       << QFileInfo(db.databaseName() + QStringLiteral("-wal")).size() / 1000000
                                       << " MB";
    }
}

void QUpdater::downloadDat()
{
    if (stopped) {
        endCycle(QStringLiteral("数据更新中止！"), false);
        return;
    }
    if (pendingNames.isEmpty()) {
        endCycle(QStringLiteral("数据更新完毕！"), true);
        return;
    }
    const QString name = pendingNames.first();
    emit showStatus(QStringLiteral("接收") + name + QStringLiteral("..."));
    connectClient(&QUpdater::downloadDatFinished);
    // The body is inflated here, under the package size limit.
    if (!client->get(getDatUrl() + QLatin1Char('/') + name, false)) {
        QMetaObject::invokeMethod(this, [this] { downloadDatFinished(-1, QByteArray()); }, Qt::QueuedConnection);
    }
}

void QUpdater::downloadDatFinished(int code, const QByteArray &body)
{
    if (pendingNames.isEmpty()) {
        downloadDat();
        return;
    }
    // The head of the queue is the package just fetched, whatever its URL's last segment says.
    const QString name = pendingNames.takeFirst();
    const QString time = pendingTimes.takeFirst();
    ++cycleFetched;
    if (code != 0) {
        ++cycleFailed;
        failedTimes.insert(packageBaseName(name), time);
        emit packageImported(name, false, 0, 0);
    } else {
        importDat(name, time, body);
    }
    downloadDat();
}

// A package's record may only say "imported up to time" when no other package of its base name
// that is older or as old is still to come or failed in this cycle; otherwise that one would
// never be fetched again.
bool QUpdater::mayRecord(const QString &base, const QString &time) const
{
    const qint64 key = dateTimeKey(time);
    for (auto it = failedTimes.constFind(base); it != failedTimes.constEnd() && it.key() == base; ++it) {
        if (!(key < dateTimeKey(it.value())))
            return false;
    }
    for (int i = 0; i < pendingNames.size(); ++i) {
        if (packageBaseName(pendingNames.at(i)) == base && !(key < dateTimeKey(pendingTimes.at(i))))
            return false;
    }
    return true;
}

void QUpdater::importDat(const QString &name, const QString &time, const QByteArray &body)
{
    emit showStatus(QStringLiteral("导入") + name + QStringLiteral("..."));
    QElapsedTimer elapsed;
    elapsed.start();
    const QString base = packageBaseName(name);
    const PackageKind kind = packageKind(name);

    ImportContext context = ImportContext::fromSettings();
    context.status = [this](const QString &status) { emit showStatus(status); };
    context.message = [this](const QString &id, const QString &title, const QString &institution, const QString &type,
                             const QDateTime &entry, const QDateTime &published) {
        emit addMessage(id, title, institution, type, entry, published);
    };
    context.alert = [this](const QString &alertKind, const QString &id) { emit addAlert(alertKind, id); };
    context.blockTip = [this](const QString &code) { emit showReportTipOfBlock(code); };
    const DataRecord record{base, time};
    const DataRecord *recordIt = mayRecord(base, time) ? &record : nullptr;

    ImportResult result;
    if (kind == PackageKind::Unknown) {
        // Nothing of it is read: it is only recorded.
        result = importPackageRows(mainDatabase(), name, QJsonArray(), context, recordIt);
    } else {
        QByteArray text;
        if (safeUncompress(body, &text, kMaxPackageBytes)) {
            result = importPackage(mainDatabase(), name, text, context, recordIt);
        } else {
            result.status = ImportResult::NotJson;
            result.error = QStringLiteral("does not inflate");
        }
    }

    if (result.ok()) {
        if (kind == PackageKind::Matrix || kind == PackageKind::Stock)
            loadStockCache();
        if (kind == PackageKind::Analyst || kind == PackageKind::AnalystDelete) {
            loadAnalystCache();
            emit loadConcernedAnalystListOfSidebar();
        }
    } else {
        ++cycleFailed;
        failedTimes.insert(base, time);
        qCWarning(lcUpdater) << name << "not imported:" << result.error;
        if (result.status == ImportResult::NotJson)
            emit showStatus(QStringLiteral("数据包") + name + QStringLiteral("已损坏，下次更新时重新接收！"));
        else
            emit showStatus(QStringLiteral("导入") + name + QStringLiteral("失败，下次更新时重新导入！"));
    }

    if (name.startsWith(QLatin1String("RPTTDY"))) {
        emit showNewestReport();
        emit showReportCount();
    } else if (name.startsWith(QLatin1String("RATTDY"))) {
        emit showNewestRating();
    }
    emit packageImported(name, result.ok(), result.rows, elapsed.elapsed());
}

void QUpdater::clearReportFiles()
{
    // Without a data folder the path would name a folder at the root of the file system.
    if (getDataDir().isEmpty())
        return;
    QDir dir(getLocalFileDirPath());
    if (!dir.exists())
        return;
    const QFileInfoList entries = dir.entryInfoList();
    for (const QFileInfo &entry : entries) {
        if (!entry.isFile())
            continue;
        emit showStatus(QStringLiteral("清理报告文件..."));
        dir.remove(entry.fileName());
    }
}

void QUpdater::closeDatabase()
{
    // Only the engine's own thread may close its connection; "MainDB" of the GUI is not ours.
    if (!databaseOpen || QThread::currentThread() != thread())
        return;
    databaseOpen = false;
    // What this cycle imported so far is on disk before the program ends.
    const QString name = sqliteConnectionName(QLatin1String(kMainDbConnectionName));
    if (QSqlDatabase::contains(name))
        checkpointEngineConnection(QSqlDatabase::database(name, false));
    closeMainDatabase();
}

void QUpdater::startUpload(UploadList list)
{
    emit showStatus(uploadStartText(list));
    switch (list) {
    case UploadList::ConcernedInst:
        connectClient(&QUpdater::updateConcernedInstFinished);
        break;
    case UploadList::ReportSubscribe:
        connectClient(&QUpdater::updateReportSubscribeFinished);
        break;
    case UploadList::ReportFavorite:
        connectClient(&QUpdater::updateReportFavoriteFinished);
        break;
    case UploadList::StockBlock:
        connectClient(&QUpdater::updateStockBlockFinished);
        break;
    case UploadList::ConcernedAnalyst:
        connectClient(&QUpdater::updateConcernedAnalystFinished);
        break;
    }
    // The stamp is read once: the answer clears it only up to what was sent.
    const qint64 stamp = uploadStamp(list);
    if (!client->post(uploadUrl(list, stamp, getSessionId()), uploadBody(list), false))
        emit showStatus(uploadFailureText(list));
}

void QUpdater::finishUpload(UploadList list, int code, const QByteArray &body)
{
    if (code != 0) {
        emit showStatus(uploadFailureText(list));
    } else {
        const UploadReply reply = readUploadReply(body);
        if (reply.res > 0) {
            clearUploadStamp(list, reply.mdf);
            emit showStatus(uploadSuccessText(list));
        } else if (reply.res == 0) {
            emit showStatus(reply.msg);
        } else {
            emit showStatus(reply.msg);
            clearUploadStamp(list, reply.mdf);
            // Only a new login renews the session: one notice, and no upload that can only
            // time out again.
            uploadsBlocked = true;
            emit showOuttimeDialog();
        }
    }
    resume();
}

void QUpdater::updateConcernedInstFinished(int code, const QByteArray &body)
{
    finishUpload(UploadList::ConcernedInst, code, body);
}

void QUpdater::updateReportSubscribeFinished(int code, const QByteArray &body)
{
    finishUpload(UploadList::ReportSubscribe, code, body);
}

void QUpdater::updateReportFavoriteFinished(int code, const QByteArray &body)
{
    finishUpload(UploadList::ReportFavorite, code, body);
}

void QUpdater::updateStockBlockFinished(int code, const QByteArray &body)
{
    finishUpload(UploadList::StockBlock, code, body);
}

void QUpdater::updateConcernedAnalystFinished(int code, const QByteArray &body)
{
    finishUpload(UploadList::ConcernedAnalyst, code, body);
}
