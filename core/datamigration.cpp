#include "datamigration.h"

#include "corelog.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "settingsvalue.h"
#include "userlists.h"
#include "usersettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QStringList>
#include <QUrl>

namespace {

const QStringList databaseCompanions = {QStringLiteral("-wal"), QStringLiteral("-shm")};

void show(const MigrationStatus &showStatus, const QString &text)
{
    if (showStatus)
        showStatus(text);
}

bool exists(const QString &path)
{
    // A dangling link still occupies its name.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Renames a folder when its target is free; a failed rename (another volume) leaves it in place.
void moveFolder(const QString &from, const QString &to)
{
    if (exists(to) || !QFileInfo(from).isDir())
        return;
    if (!QDir().rename(from, to))
        qCWarning(lcCore) << "Could not move" << from << "to" << to;
}

// A JSON string literal of the text ("..." with quotes, backslashes and controls escaped).
QString jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

void importGroups(const QString &text, bool (*add)(const QString &, const QString &, bool))
{
    for (const LegacyGroup &group : splitLegacyGroups(text)) {
        for (const QString &item : group.body.split(QLatin1Char(','), Qt::SkipEmptyParts))
            add(group.name, item, true);
    }
}

void importSubscriptions(const QString &text)
{
    for (const LegacyGroup &group : splitLegacyGroups(text))
        addSubscribe(group.name, legacySubscribeContent(group.body), true);
}

struct LegacyKey
{
    const char *key;
    const char *before;
    const char *after;
    void (*import)(const QString &);
};

const LegacyKey legacyKeys[] = {
    {"Portfolio/List", "导入本地自选股数据...", "导入本地自选股数据完成",
     [](const QString &text) { setPortfolioList(text, true); }},
    {"Block/List", "导入本地自定义板块数据...", "导入本地自定义板块数据完成",
     [](const QString &text) { importGroups(text, addBlockStock); }},
    {"Inst/List", "导入本地关注机构数据...", "导入本地关注机构数据完成",
     [](const QString &text) { setConcernedInstList(text, true); }},
    {"Tag/List", "导入本地收藏报告数据...", "导入本地收藏报告数据完成",
     [](const QString &text) { importGroups(text, addFavoriteReport); }},
    {"Subscribe/List", "导入本地报告订阅数据...", "导入本地报告订阅数据完成", importSubscriptions},
};

} // namespace

void migrateLocalData(const MigrationStatus &showStatus)
{
    const QString newDir = getNewDataDir();
    if (!newDir.isEmpty()) {
        show(showStatus, QStringLiteral("迁移数据文件..."));
        moveDataDirectory(getDataDir(), newDir);
        show(showStatus, QStringLiteral("数据文件迁移完成"));
    }

    const QString pdfDir = legacyReportDir();
    if (QFileInfo(pdfDir).isDir() || QFileInfo(pdfDir).isSymLink()) {
        show(showStatus, QStringLiteral("清理旧报告文件..."));
        if (!removeDirectory(pdfDir))
            qCWarning(lcCore) << "Could not remove everything in" << pdfDir;
        show(showStatus, QStringLiteral("旧报告清理完成"));
    }

    importLegacyLists(getUserConfigPath(), showStatus);
}

bool moveDataDirectory(const QString &oldDir, const QString &newDir)
{
    if (!QDir().mkpath(newDir)) {
        qCWarning(lcCore) << "Cannot create the new data folder" << newDir
                          << "- the data stays in" << oldDir;
        return false;
    }
    const QString dbName = QLatin1String(kMainDbFileName);
    const QString newDb = newDir + QLatin1Char('/') + dbName;
    const QString oldDb = oldDir + QLatin1Char('/') + dbName;
    bool ok = true;
    if (!exists(newDb) && QFileInfo(oldDb).isFile()) {
        closeMainDatabase();
        ok = moveDatabaseFile(oldDb, newDb);
    }
    for (const QString &folder : {getLocalFileDir(), getLocalDayDir()}) {
        moveFolder(QFileInfo(oldDir + QLatin1Char('/') + folder).absoluteFilePath(),
                   QFileInfo(newDir + QLatin1Char('/') + folder).absoluteFilePath());
    }
    setDataDir(newDir);
    setNewDataDir(QString());
    return ok;
}

bool moveDatabaseFile(const QString &fromPath, const QString &toPath)
{
    if (exists(toPath))
        return false;
    for (const QString &suffix : databaseCompanions) {
        if (exists(toPath + suffix) && !QFile::remove(toPath + suffix)) {
            qCWarning(lcCore) << "Cannot remove the stale" << toPath + suffix;
            return false;
        }
    }
    QStringList moved;
    for (const QString &suffix : QStringList{QString()} + databaseCompanions) {
        const QString from = fromPath + suffix;
        if (!exists(from))
            continue;
        if (QFile::rename(from, toPath + suffix)) {
            moved << suffix;
            continue;
        }
        qCWarning(lcCore) << "Could not move" << from << "to" << toPath + suffix;
        for (const QString &back : moved)
            QFile::rename(toPath + back, fromPath + back);
        return false;
    }
    return true;
}

QString legacyReportDir()
{
    return getDataLocation() + QStringLiteral("/pdf");
}

bool removeDirectory(const QString &path)
{
    const QFileInfo top(path);
    if (top.isSymLink())
        return QFile::remove(path);
    if (!top.isDir())
        return !top.exists();

    bool ok = true;
    QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                          QDir::Unsorted);
    for (const QFileInfo &entry : entries) {
        const QString entryPath = entry.absoluteFilePath();
        if (entry.isSymLink()) {
            // Setting permissions would follow the link and change its target.
            ok = QFile::remove(entryPath) && ok;
        } else if (entry.isDir()) {
            QFile::setPermissions(entryPath, entry.permissions() | QFileDevice::ReadOwner
                                                 | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            ok = removeDirectory(entryPath) && ok;
        } else if (entry.isFile()) {
            QFile::setPermissions(entryPath, QFileDevice::WriteOwner);
            ok = QFile::remove(entryPath) && ok;
        } else {
            ok = false;
        }
    }
    return dir.rmdir(dir.absolutePath()) && ok;
}

QVector<LegacyGroup> splitLegacyGroups(const QString &text)
{
    QVector<LegacyGroup> groups;
    const QStringList pieces =
        (text + QLatin1Char(',')).split(QStringLiteral("],"), Qt::SkipEmptyParts);
    for (const QString &piece : pieces) {
        const int open = piece.indexOf(QLatin1Char('['));
        if (open < 0)
            groups.append({piece, piece});
        else
            groups.append({piece.left(open), piece.mid(open + 1)});
    }
    return groups;
}

QString legacySubscribeContent(const QString &body)
{
    const int first = body.indexOf(QLatin1Char(','));
    const QString ttl = first < 0 ? body : body.left(first);
    const QString rest = first < 0 ? body : body.mid(first + 1);
    const int second = rest.indexOf(QLatin1Char(','));
    const QString ath = second < 0 ? rest : rest.left(second);
    const QString cod = second < 0 ? rest : rest.mid(second + 1);
    // The parts are escaped, so a quote in a keyword cannot break the object or add members.
    const QString json = QStringLiteral("{\"ttl\":%1,\"ath\":%2,\"cod\":%3}")
                             .arg(jsonString(ttl), jsonString(ath), jsonString(cod));
    return QString::fromLatin1(QUrl::toPercentEncoding(json));
}

void importLegacyLists(const QString &settingsPath, const MigrationStatus &showStatus)
{
    if (!QFileInfo::exists(settingsPath))
        return;
    QSettings settings(settingsPath, QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    for (const LegacyKey &legacy : legacyKeys) {
        const QString key = QLatin1String(legacy.key);
        const QString text = settingsText(settings, key);
        if (text.isEmpty())
            continue;
        show(showStatus, QString::fromUtf8(legacy.before));
        legacy.import(text);
        settings.setValue(key, QString());
        settings.sync();
        show(showStatus, QString::fromUtf8(legacy.after));
    }
    if (settings.status() != QSettings::NoError)
        qCWarning(lcCore) << "Could not empty the legacy lists of" << settingsPath;
}
