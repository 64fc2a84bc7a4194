#include "datafolder.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <algorithm>

static bool plainName(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9_.-]*$"));
    return re.match(name).hasMatch() && !name.contains(QLatin1String(".."));
}

bool DataFolder::load(const QString &dir, QString *error)
{
    m_dir = dir;
    QFile manifest(dir + QStringLiteral("/manifest.json"));
    if (!manifest.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 has no manifest.json; run `tamrel-devserver generate` first").arg(dir);
        return false;
    }
    m_manifest = QJsonDocument::fromJson(manifest.readAll()).object();
    m_seed = m_manifest.value(QLatin1String("seed")).toString().toULongLong();
    QFile stocks(dir + QStringLiteral("/stocks.tsv"));
    if (m_manifest.isEmpty() || !stocks.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1 is not a complete data folder").arg(dir);
        return false;
    }
    while (!stocks.atEnd()) {
        const QList<QByteArray> f = stocks.readLine().trimmed().split('\t');
        if (f.size() < 6)
            continue;
        DaySeries::Params p;
        p.code = QString::fromLatin1(f[0]);
        p.firstJd = f[1].toLongLong();
        p.lastJd = f[2].toLongLong();
        p.endPrice = f[3].toDouble();
        p.startFactor = f[4].toDouble();
        p.vol = f[5].toDouble();
        m_stocks.insert(p.code, p);
    }
    return true;
}

QJsonArray DataFolder::indexEntries() const
{
    QJsonArray out;
    for (const QJsonValue &v : m_manifest.value(QLatin1String("packages")).toArray()) {
        const QJsonObject p = v.toObject();
        out.append(QJsonObject{{QStringLiteral("dt"), p.value(QLatin1String("name"))}, {QStringLiteral("tM"), p.value(QLatin1String("tM"))}});
    }
    return out;
}

bool DataFolder::readPackage(const QString &name, QByteArray *bytes) const
{
    if (!plainName(name))
        return false;
    QFile file(m_dir + QStringLiteral("/dat/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return true;
}

bool DataFolder::readUpgrade(const QString &name, QByteArray *bytes) const
{
    if (!plainName(name))
        return false;
    QFile file(m_dir + QStringLiteral("/dwn/") + name);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *bytes = file.readAll();
    return true;
}

bool DataFolder::dayPrices(const QString &code, QByteArray *json) const
{
    const auto it = m_stocks.constFind(code);
    if (it == m_stocks.constEnd())
        return false;
    *json = DaySeries::packageText(DaySeries::build(m_seed, *it));
    return true;
}

bool DataFolder::indexReports()
{
    QFile file(m_dir + QStringLiteral("/reports.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    qint64 offset = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        const int tab = line.indexOf('\t');
        if (tab > 0)
            m_reportOffsets.emplace_back(line.left(tab).toLongLong(), offset);
        offset += line.size();
    }
    std::sort(m_reportOffsets.begin(), m_reportOffsets.end());
    return true;
}

bool DataFolder::report(qint64 id, ReportFile::Info *info, bool *deleted)
{
    qint64 offset = -1;
    {
        std::lock_guard<std::mutex> guard(m_reportLock);
        if (!m_reportsIndexed)
            m_reportsIndexed = indexReports();
        const auto it = std::lower_bound(m_reportOffsets.begin(), m_reportOffsets.end(), std::make_pair(id, qint64(-1)));
        if (it == m_reportOffsets.end() || it->first != id)
            return false;
        offset = it->second;
    }
    QFile file(m_dir + QStringLiteral("/reports.tsv"));
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return false;
    const QList<QByteArray> f = file.readLine().trimmed().split('\t');
    if (f.size() < 8)
        return false;
    info->id = id;
    info->type = QString::fromUtf8(f[1]);
    info->pages = f[2].toInt();
    info->publishDate = QString::fromUtf8(f[3]);
    info->institution = QString::fromUtf8(f[4]);
    info->analysts = QString::fromUtf8(f[5]);
    info->title = QString::fromUtf8(f[6]);
    *deleted = f[7] == "1";
    return true;
}
