#pragma once

#include <QString>
#include <QtGlobal>
#include <map>
#include <tuple>
#include <set>
#include <unordered_map>
#include <unordered_set>
#include <utility>

// What the client's database holds after importing the packages in index order: the keys of
// every table, kept by the importers' rules (upsert by key, deletes, the rating key of publish
// date, stock and institution with its report id moves). The manifest's row counts come from here.
class ImportModel
{
public:
    struct Rating
    {
        qint64 id;
        int publishJd;
        int stock;
        int institution;
        qint64 modified;   // stamp of "tM"
        qint64 previous;   // "pr", 0 when empty
        int fresh;         // "nw"
    };

    static QString baseName(const QString &fileName);
    // The client skips monthly packages of years before its first data year.
    static bool skipped(const QString &fileName, int dataYear);

    void package(const QString &fileName) { m_data.insert(baseName(fileName)); }
    void stock(int index) { m_stocks.insert(index); }
    void matrix(int index) { m_matrix.insert(index); }
    void analyst(int id) { m_analysts.insert(id); }
    void deleteAnalyst(int id) { m_analysts.erase(id); }
    void report(qint64 id) { m_reports.insert(id); }
    void deleteReport(qint64 id);
    void rating(const Rating &r);
    void estimate(qint64 id, int period) { m_estimates.insert({id, period}); }
    void deleteEstimate(qint64 id, int period) { m_estimates.erase({id, period}); }
    void finance(int stock, int year) { m_finance.insert({stock, year}); }
    void consensus(int stock, int type) { m_consensus.insert({stock, type}); }
    void ace(int uid, int year) { m_ace.insert({uid, year}); }
    void recommend(qint64 id, int valid);

    int reports() const { return int(m_reports.size()); }
    int ratings() const { return int(m_ratings.size()); }
    int estimates() const { return int(m_estimates.size()); }
    int stocks() const { return int(m_stocks.size()); }
    int matrixRows() const { return int(m_matrix.size()); }
    int analysts() const { return int(m_analysts.size()); }
    int financeRows() const { return int(m_finance.size()); }
    int consensusRows() const { return int(m_consensus.size()); }
    int aceRows() const { return int(m_ace.size()); }
    int recommendations() const { return int(m_recommend.size()); }
    int dataRows() const { return int(m_data.size()); }
    bool hasAnalyst(int id) const { return m_analysts.count(id) > 0; }

private:
    struct RatingKey
    {
        int publishJd, stock, institution;
        bool operator<(const RatingKey &o) const
        {
            return std::tie(publishJd, stock, institution) < std::tie(o.publishJd, o.stock, o.institution);
        }
    };

    std::set<QString> m_data;
    std::unordered_set<int> m_stocks, m_matrix, m_analysts;
    std::unordered_set<qint64> m_reports, m_recommend;
    std::map<RatingKey, Rating> m_ratings;
    std::unordered_map<qint64, RatingKey> m_ratingById;
    std::set<std::pair<qint64, int>> m_estimates;
    std::set<std::pair<int, int>> m_finance, m_consensus, m_ace;
};
