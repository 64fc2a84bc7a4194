#include "importmodel.h"

QString ImportModel::baseName(const QString &fileName)
{
    QString base = fileName.section(QLatin1Char('.'), 0, 0);
    return base.section(QLatin1Char('_'), 0, 0);
}

bool ImportModel::skipped(const QString &fileName, int dataYear)
{
    const QString base = baseName(fileName);
    const int at = base.indexOf(QLatin1String("MTH"));
    if (at < 0)
        return false;
    bool ok = false;
    const int year = base.mid(at + 3, 4).toInt(&ok);
    return ok && year != 0 && year < dataYear;
}

void ImportModel::deleteReport(qint64 id)
{
    m_reports.erase(id);
    auto it = m_ratingById.find(id);
    if (it != m_ratingById.end()) {
        m_ratings.erase(it->second);
        m_ratingById.erase(it);
    }
}

void ImportModel::rating(const Rating &r)
{
    const RatingKey key{r.publishJd, r.stock, r.institution};
    auto it = m_ratings.find(key);
    if (it != m_ratings.end()) {
        Rating &stored = it->second;
        const bool update = stored.modified < r.modified || stored.previous != r.previous
            || (stored.fresh != r.fresh && r.fresh == 0);
        if (!update)
            return;
        if (r.id != stored.id) {
            // The report id is unique: an update that would take another row's id fails.
            if (m_ratingById.count(r.id))
                return;
            m_ratingById.erase(stored.id);
            m_ratingById[r.id] = key;
        }
        stored = r;
        return;
    }
    auto other = m_ratingById.find(r.id);
    if (other != m_ratingById.end()) {
        m_ratings.erase(other->second);
        m_ratingById.erase(other);
    }
    m_ratings[key] = r;
    m_ratingById[r.id] = key;
}

void ImportModel::recommend(qint64 id, int valid)
{
    if (valid < 1)
        m_recommend.erase(id);
    else
        m_recommend.insert(id);
}
