#include "generator.h"

#include "awardtable.h"
#include "dayseries.h"
#include "importmodel.h"
#include "jsonrowwriter.h"
#include "namepools.h"
#include "reporttitles.h"
#include "rng.h"
#include "tradingcalendar.h"
#include "world.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace {

const int DataYear = 2012;   // the client's default Option/DataYear
const int ListYear = 2015;   // YER_LST of the login reply: the last year with annual reports
const int AceYear = 2015;    // YER_ACE of the login reply
const char *const UpgradeFile = "TamrelSetup-2017.02.exe";
const double NaN = std::numeric_limits<double>::quiet_NaN();

struct Profile
{
    World::Sizes sizes;
    int startYear = 2010;   // the months before the client's first data year are skipped by it
    int startMonth = 12;
    int reports = 3200;
    int todayReports = 40;
    int recommendations = 24;
};

Profile profileFor(const QString &size)
{
    Profile p;
    if (size == QLatin1String("large")) {
        p.sizes = {3600, 110, 11, 8300};
        p.reports = 334000;
        p.todayReports = 450;
        p.recommendations = 300;
    } else {
        p.sizes = {300, 40, 6, 450};
    }
    return p;
}

void parallelFor(int count, int threads, const std::function<void(int)> &fn)
{
    std::atomic<int> next{0};
    auto worker = [&] {
        for (int i = next.fetch_add(1); i < count; i = next.fetch_add(1))
            fn(i);
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < std::min(threads, count); ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread &t : pool)
        t.join();
}

struct StockPrices
{
    int offset = 0;                              // index of the first row in the shared calendar
    std::vector<float> close;
    std::vector<std::pair<int, double>> steps;   // factor from a row index on
    DaySeries::Row last{};

    int count() const { return int(close.size()); }
    double factorAt(int i) const
    {
        double f = steps.empty() ? 1.0 : steps.front().second;
        for (const auto &s : steps) {
            if (s.first > i)
                break;
            f = s.second;
        }
        return f;
    }
};

struct Bucket
{
    int year = 0;
    int month = 0;
    bool today = false;
    std::vector<qint64> days;
    int count = 0;
    qint64 firstIndex = 0;
    qint64 packageStamp = 0;

    QString suffix() const
    {
        return today ? QStringLiteral("TDY") : QStringLiteral("MTH%1%2").arg(year).arg(month, 2, 10, QLatin1Char('0'));
    }
};

enum ReportType { Pdf, Doc, Xls, NoType };
const char *const typeNames[] = {"PDF", "DOC", "XLS", ""};

struct Report
{
    qint64 id = 0;
    qint64 entry = 0;
    qint64 modified = 0;
    qint32 publishJd = 0;
    qint32 stock = -1;
    qint32 bucket = 0;
    qint32 rating = -1;
    qint32 analysts[3] = {0, 0, 0};
    qint16 inst = 0;
    qint8 category = 0;
    qint8 analystCount = 0;
    qint8 type = Pdf;
    qint8 pages = 1;
    qint8 industry = -1;
    bool important = false;
    bool exclusive = false;
    bool message = false;
};

struct Rating
{
    qint32 report = 0;
    qint32 firstEstimate = 0;
    qint32 estimateCount = 0;
    qint8 score = 3;
    char action = 'I';
    qint8 fresh = 0;
    qint64 previous = 0;
    float price = 0;
    double factor = 1;
    double lower = NaN;
    double upper = NaN;
    double shortPerf = NaN;
    double middlePerf = NaN;
    qint64 modified = 0;
};

struct Estimate
{
    qint32 rating = 0;
    qint16 year = 0;
    double netProfit = 0;
    qint64 modified = 0;
};

struct Entry
{
    QString name;
    qint64 stamp = 0;
    int rows = 0;
    qint64 bytes = 0;
    QString error;
    std::function<void(ImportModel &)> apply;
};

class Run
{
public:
    Run(const Generator::Options &options, const Profile &profile, const AwardTable &awards)
        : o(options), p(profile), awards(awards)
    {
    }

    bool execute(QString *error);

private:
    void planBuckets();
    void makePrices();
    void makeReports(int b);
    void makeRatings();
    void makeEstimates();
    void chooseDeletions();
    int pickAnalysts(int inst, qint64 jd, int industry, Rng &rng, qint32 *out) const;
    int pickStock(qint64 jd, Rng &rng) const;
    int dayIndex(int stock, qint64 jd) const;
    double adjusted(int stock, int i) const;
    QString titleOf(const Report &r) const;
    QString stockCode(const Report &r) const { return r.stock >= 0 ? w.stocks[r.stock].code : QString(); }

    void writeReportRow(JsonRowWriter &jw, const Report &r, int message, const QString &titleSuffix, qint64 modified) const;
    void writeRatingRow(JsonRowWriter &jw, const Rating &rt, qint64 modified) const;
    void writeEstimateRow(JsonRowWriter &jw, const Estimate &e, qint64 modified) const;
    ImportModel::Rating ratingKey(const Rating &rt, qint64 modified) const;

    bool save(Entry &e, const QByteArray &json);
    void packageStocks(Entry &e);
    void packageMatrix(Entry &e);
    void packageAnalysts(Entry &e);
    void packageReports(Entry &e, int b, QByteArray *tsv);
    void packageRatings(Entry &e, int b);
    void packageEstimates(Entry &e, int b);
    void packageFinance(Entry &e);
    void packageConsensus(Entry &e);
    void packageAce(Entry &e);
    void packageRecommend(Entry &e);
    void packageReportDeletes(Entry &e);
    void packageEstimateDeletes(Entry &e);
    void packageAnalystDeletes(Entry &e);

    bool writeText(const QString &name, const QByteArray &bytes, QString *error) const;
    void fillFavourites();
    QJsonObject facts(const ImportModel &model) const;

    const Generator::Options &o;
    const Profile &p;
    const AwardTable &awards;
    World w;
    qint64 today = 0;                 // the trading day whose packages are "today's"
    std::vector<qint64> calendar;     // every trading day of the price history
    std::vector<StockPrices> prices;
    std::vector<Bucket> buckets;
    std::vector<Report> reports;
    std::vector<qint64> bucketStart;  // first report of each bucket in `reports`
    std::vector<Rating> ratings;
    std::vector<Estimate> estimates;
    std::unordered_set<qint64> deletedReports;
    std::vector<qint64> reportDeletes;
    std::vector<std::pair<qint64, int>> estimateDeletes;
    std::vector<int> analystDeletes;
    std::vector<int> consensusStocks[2];
    QString datDir;
};

qint64 makeId(quint64 seed, qint64 g)
{
    return 10000000 + g * 3 + qint64(Rng::mix(seed, 101, quint64(g)) % 3);
}

void Run::planBuckets()
{
    const QDate t = QDate::fromJulianDay(today);
    int y = p.startYear;
    int m = p.startMonth;
    std::vector<double> weights;
    int index2012 = 0;
    const int months2012 = (t.year() - 2012) * 12 + t.month();
    while (y < t.year() || (y == t.year() && m <= t.month())) {
        Bucket b;
        b.year = y;
        b.month = m;
        const qint64 first = TradingCalendar::jd(y, m, 1);
        qint64 last = QDate(y, m, 1).addMonths(1).addDays(-1).toJulianDay();
        const bool current = y == t.year() && m == t.month();
        const int fullDays = int(TradingCalendar::days(first, last).size());
        if (current)
            last = today - 1;
        b.days = TradingCalendar::days(first, last);
        b.packageStamp = current ? TradingCalendar::stamp(today, 7, 0) : TradingCalendar::stamp(last + 1, 3, 0);
        double weight = y < 2012 ? 0.35 : 1.0 + 1.2 * double(index2012++) / std::max(1, months2012);
        weight *= fullDays > 0 ? double(b.days.size()) / fullDays : 0;
        if (!b.days.empty()) {
            weights.push_back(weight);
            buckets.push_back(b);
        }
        if (++m > 12) {
            m = 1;
            ++y;
        }
    }
    double total = 0;
    for (double v : weights)
        total += v;
    qint64 index = 0;
    for (size_t k = 0; k < buckets.size(); ++k) {
        buckets[k].count = std::max(1, int(std::lround(p.reports * weights[k] / total)));
        buckets[k].firstIndex = index;
        index += buckets[k].count;
    }
    Bucket tdy;
    tdy.today = true;
    tdy.year = t.year();
    tdy.month = t.month();
    tdy.days = {today};
    tdy.count = p.todayReports;
    tdy.firstIndex = index;
    tdy.packageStamp = TradingCalendar::stamp(today, 15, 40);
    buckets.push_back(tdy);
}

void Run::makePrices()
{
    calendar = TradingCalendar::days(DaySeries::historyStart(), today);
    prices.resize(w.stocks.size());
    parallelFor(int(w.stocks.size()), o.threads, [this](int s) {
        const std::vector<DaySeries::Row> rows = DaySeries::build(o.seed, w.stocks[s].prices);
        StockPrices &sp = prices[s];
        if (rows.empty())
            return;
        sp.offset = int(std::lower_bound(calendar.begin(), calendar.end(), rows.front().jd) - calendar.begin());
        sp.close.reserve(rows.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            sp.close.push_back(float(rows[i].close));
            if (sp.steps.empty() || sp.steps.back().second != rows[i].factor)
                sp.steps.emplace_back(int(i), rows[i].factor);
        }
        sp.last = rows.back();
    });
}

int Run::dayIndex(int stock, qint64 jd) const
{
    const auto it = std::lower_bound(calendar.begin(), calendar.end(), jd);
    if (it == calendar.end() || *it != jd)
        return -1;
    const int i = int(it - calendar.begin()) - prices[stock].offset;
    return i >= 0 && i < prices[stock].count() ? i : -1;
}

double Run::adjusted(int stock, int i) const
{
    return double(prices[stock].close[i]) * prices[stock].factorAt(i);
}

int Run::pickAnalysts(int inst, qint64 jd, int industry, Rng &rng, qint32 *out) const
{
    const std::vector<int> &records = w.institutions[inst].analysts;
    if (records.empty())
        return 0;
    const double counts[] = {0.45, 0.35, 0.2};
    const int want = rng.weighted(counts, 3) + 1;
    const QString industryName = industry >= 0 ? NamePools::industries().at(industry) : QString();
    int n = 0;
    for (int tries = 0; n < want && tries < 24; ++tries) {
        const int idx = records[rng.range(0, int(records.size()) - 1)];
        const World::Analyst &a = w.analysts[idx];
        if (jd < a.fromJd || jd > a.toJd)
            continue;
        if (n == 0 && !industryName.isEmpty() && tries < 10 && a.industry != industryName)
            continue;
        if (std::find(out, out + n, idx) != out + n)
            continue;
        out[n++] = idx;
    }
    if (n == 0) {
        for (int idx : records) {
            if (jd >= w.analysts[idx].fromJd && jd <= w.analysts[idx].toJd) {
                out[n++] = idx;
                break;
            }
        }
    }
    if (n == 0)
        out[n++] = records.front();
    return n;
}

int Run::pickStock(qint64 jd, Rng &rng) const
{
    for (int tries = 0; tries < 60; ++tries) {
        const int s = rng.range(0, int(w.stocks.size()) - 1);
        const World::Stock &st = w.stocks[s];
        if (jd > st.prices.lastJd || jd < std::max(st.prices.firstJd, DaySeries::historyStart()) + 5)
            continue;
        if (dayIndex(s, jd) < 0)
            continue;
        return s;
    }
    return -1;
}

void Run::makeReports(int b)
{
    const Bucket &bk = buckets[b];
    Rng rng(Rng::mix(o.seed, 100, quint64(b)));
    std::vector<qint64> stamps(bk.count);
    for (qint64 &s : stamps) {
        const qint64 day = bk.days[rng.range(0, int(bk.days.size()) - 1)];
        const int seconds = bk.today ? rng.range(0, 8 * 3600 + 1800) : rng.range(0, 15 * 3600);
        s = day * 86400 + 7 * 3600 + seconds;
    }
    std::sort(stamps.begin(), stamps.end());

    double catWeights[ReportTitles::CategoryCount];
    for (int c = 0; c < ReportTitles::CategoryCount; ++c)
        catWeights[c] = ReportTitles::weight(c);
    std::vector<double> instWeights;
    std::vector<int> banks;
    for (int k = 0; k < int(w.institutions.size()); ++k) {
        instWeights.push_back(w.institutions[k].weight);
        if (w.institutions[k].international)
            banks.push_back(k);
    }
    const QStringList blockStocks = w.blockStocks();
    const double lags[] = {0.6, 0.25, 0.08, 0.04, 0.03};
    const int lagDays[] = {0, 1, 2, 3, 5};
    const double typeWeights[] = {0.9, 0.03, 0.02, 0.05};
    const int spread = std::max(1, bk.count / ReportTitles::CategoryCount);
    int companies = 0;
    int blockNext = 0;

    for (int k = 0; k < bk.count; ++k) {
        const qint64 g = bk.firstIndex + k;
        Report r;
        r.id = makeId(o.seed, g);
        r.entry = stamps[k];
        r.modified = r.entry;
        r.bucket = b;
        // Every category turns up in every month that is big enough.
        if (bk.count >= 2 * ReportTitles::CategoryCount && k % spread == 0 && k / spread < ReportTitles::CategoryCount)
            r.category = qint8(k / spread);
        else
            r.category = qint8(rng.weighted(catWeights, ReportTitles::CategoryCount));
        if (ReportTitles::isHongKongOrAbroad(r.category) && !banks.empty() && rng.chance(0.45))
            r.inst = qint16(banks[rng.range(0, int(banks.size()) - 1)]);
        else
            r.inst = qint16(rng.weighted(instWeights.data(), int(instWeights.size())));

        const qint64 entryDay = TradingCalendar::dayOf(r.entry);
        r.publishJd = qint32(bk.today ? (rng.chance(0.75) ? entryDay : TradingCalendar::back(entryDay, 1))
                                      : TradingCalendar::back(entryDay, lagDays[rng.weighted(lags, 5)]));
        if (r.category == ReportTitles::Company) {
            int s = -1;
            if (bk.today && !blockStocks.isEmpty() && companies % 4 >= 2 && blockNext < blockStocks.size() * 2) {
                const int cand = w.stockIndex.value(blockStocks.at(blockNext++ % blockStocks.size()), -1);
                if (cand >= 0 && dayIndex(cand, r.publishJd) >= 0)
                    s = cand;
            }
            if (s < 0)
                s = pickStock(r.publishJd, rng);
            if (s < 0) {
                r.category = ReportTitles::Industry;
            } else {
                r.stock = s;
                r.industry = qint8(w.stocks[s].industry);
                ++companies;
            }
        }
        if (r.category == ReportTitles::Industry || r.category == ReportTitles::HongKongIndustry)
            r.industry = qint8(rng.range(0, NamePools::industries().size() - 1));
        r.analystCount = qint8(pickAnalysts(r.inst, r.publishJd, r.industry, rng, r.analysts));
        r.type = qint8(rng.weighted(typeWeights, 4));
        switch (r.category) {
        case ReportTitles::Company: r.pages = qint8(rng.range(3, 25)); break;
        case ReportTitles::Industry: r.pages = qint8(rng.range(8, 60)); break;
        case ReportTitles::Strategy: r.pages = qint8(rng.range(10, 40)); break;
        default: r.pages = qint8(rng.range(2, 30)); break;
        }
        r.important = rng.chance(0.08);
        r.exclusive = rng.chance(0.03);
        r.message = bk.today && rng.chance(0.6);
        reports[size_t(g)] = r;
    }
}

void Run::makeRatings()
{
    std::unordered_map<quint64, std::pair<qint64, int>> chains;   // (inst, stock) -> last report id, score
    std::unordered_set<quint64> used;                               // (publish day, stock, inst)
    const double firstScores[] = {0.02, 0.04, 0.17, 0.42, 0.35};
    const double moves[] = {0.62, 0.19, 0.19};
    int todayCompanies = 0;
    for (qint32 ri = 0; ri < qint32(reports.size()); ++ri) {
        Report &r = reports[ri];
        if (r.stock < 0)
            continue;
        Rng rng(Rng::mix(o.seed, 200, quint64(r.id)));
        const bool isToday = buckets[r.bucket].today;
        const int wanted = isToday ? todayCompanies++ % 4 : -1;    // 0: a first rating, 1: an upgrade
        if (!isToday && !rng.chance(0.97))
            continue;
        auto chainKey = [&](int stock) { return (quint64(r.inst) << 20) | quint64(stock); };
        // Today's ratings include first ratings and upgrades, so the client's alerts have
        // something to show: re-point the report at a stock that allows them.
        if (wanted == 1) {
            auto upgradable = [&](int s) {
                const auto c = chains.find(chainKey(s));
                return c != chains.end() && c->second.second < 5 && dayIndex(s, r.publishJd) >= 0;
            };
            if (!upgradable(r.stock)) {
                const int n = int(w.stocks.size());
                const int start = rng.range(0, n - 1);
                for (int k = 0; k < n; ++k) {
                    const int s = (start + k) % n;
                    if (upgradable(s)) {
                        r.stock = s;
                        r.industry = qint8(w.stocks[s].industry);
                        break;
                    }
                }
            }
        }
        if (wanted == 0 && chains.count(chainKey(r.stock))) {
            for (int tries = 0; tries < 200; ++tries) {
                const int s = pickStock(r.publishJd, rng);
                if (s >= 0 && !chains.count(chainKey(s))) {
                    r.stock = s;
                    r.industry = qint8(w.stocks[s].industry);
                    break;
                }
            }
        }
        const quint64 dayKey = (quint64(r.publishJd) << 24) ^ (quint64(r.stock) << 10) ^ quint64(r.inst);
        if (!used.insert(dayKey).second)
            continue;
        Rating rt;
        rt.report = ri;
        auto chain = chains.find(chainKey(r.stock));
        if (chain == chains.end()) {
            rt.score = qint8(rng.weighted(firstScores, 5) + 1);
            rt.action = 'I';
        } else {
            rt.previous = chain->second.first;
            int move = rng.weighted(moves, 3);
            if (wanted == 1 && chain->second.second < 5)
                move = 1;
            const int score = std::clamp(chain->second.second + (move == 1 ? 1 : move == 2 ? -1 : 0), 1, 5);
            rt.score = qint8(score);
            rt.action = score > chain->second.second ? 'U' : score < chain->second.second ? 'D' : 'M';
        }
        chains[chainKey(r.stock)] = {r.id, rt.score};

        const int i = dayIndex(r.stock, r.publishJd);
        const StockPrices &sp = prices[r.stock];
        rt.price = sp.close[i];
        rt.factor = sp.factorAt(i);
        if (rng.chance(0.8)) {
            const double ranges[5][2] = {{0.7, 0.95}, {0.75, 0.98}, {0.95, 1.12}, {1.05, 1.35}, {1.15, 1.6}};
            rt.lower = DaySeries::round2(rt.price * rng.between(ranges[rt.score - 1][0], ranges[rt.score - 1][1]));
            rt.upper = rng.chance(0.5) ? rt.lower : DaySeries::round2(rt.lower * rng.between(1.02, 1.25));
        }
        const double base = adjusted(r.stock, i);
        if (i + 20 < sp.count())
            rt.shortPerf = DaySeries::round2((adjusted(r.stock, i + 20) / base - 1) * 100);
        if (i + 120 < sp.count())
            rt.middlePerf = DaySeries::round2((adjusted(r.stock, i + 120) / base - 1) * 100);
        rt.fresh = r.publishJd >= today - 180 ? 1 : 0;
        rt.modified = r.modified + 60;
        r.rating = qint32(ratings.size());
        ratings.push_back(rt);
    }
}

void Run::makeEstimates()
{
    for (qint32 k = 0; k < qint32(ratings.size()); ++k) {
        Rating &rt = ratings[k];
        const Report &r = reports[rt.report];
        const World::Stock &st = w.stocks[r.stock];
        Rng rng(Rng::mix(o.seed, 300, quint64(r.id)));
        const QDate d = QDate::fromJulianDay(r.publishJd);
        const int first = d.month() <= 4 ? d.year() - 1 : d.year();
        const int n = rng.chance(0.1) ? 2 : 3;
        const double g = st.growth + 0.04 * rng.normal();
        rt.firstEstimate = qint32(estimates.size());
        rt.estimateCount = n;
        for (int y = first; y < first + n; ++y) {
            Estimate e;
            e.rating = k;
            e.year = qint16(y);
            const double profit = st.profit2015 > 0 ? st.profit2015 * std::pow(1 + g, y - 2015)
                                                    : st.profit2015 * (1.2 - 0.6 * (y - first));
            e.netProfit = std::round(profit * rng.between(0.92, 1.08));
            e.modified = rt.modified;
            estimates.push_back(e);
        }
    }
}

void Run::chooseDeletions()
{
    Rng rng(Rng::mix(o.seed, 400));
    const qint64 first2012 = bucketStart[size_t(std::find_if(buckets.begin(), buckets.end(),
                                                               [](const Bucket &b) { return b.year >= 2012; }) - buckets.begin())];
    const qint64 lastMonthly = bucketStart.back();
    const int n = std::max(3, int(reports.size() / 1000));
    // Half of them with a rating, so the rating goes too.
    for (int tries = 0; int(reportDeletes.size()) < n && tries < n * 50; ++tries) {
        const qint64 g = first2012 + qint64(rng.next() % quint64(lastMonthly - first2012));
        const Report &r = reports[size_t(g)];
        if ((int(reportDeletes.size()) % 2 == 0) != (r.rating >= 0) || deletedReports.count(r.id))
            continue;
        reportDeletes.push_back(r.id);
        deletedReports.insert(r.id);
    }
    if (buckets.front().year < DataYear)
        reportDeletes.push_back(reports.front().id);   // never imported: a delete of nothing
    reportDeletes.push_back(reports.back().id + 7);    // no such report

    const int ne = std::max(3, int(estimates.size() / 2000));
    for (int k = 0; k < ne && !estimates.empty(); ++k) {
        const Estimate &e = estimates[size_t(rng.next() % estimates.size())];
        estimateDeletes.emplace_back(reports[ratings[e.rating].report].id, int(e.year));
    }
    estimateDeletes.emplace_back(reports.back().id, 2099);

    for (int k = 0; k < int(w.analysts.size()) && analystDeletes.size() < 2; ++k) {
        const World::Analyst &a = w.analysts[k];
        if (a.mover && a.fromJd == 0 && !a.awarded)
            analystDeletes.push_back(k);
    }
}

QString Run::titleOf(const Report &r) const
{
    Rng rng(Rng::mix(o.seed, 500, quint64(r.id)));
    ReportTitles::Subject s;
    if (r.stock >= 0) {
        s.stockName = w.stocks[r.stock].name;
        s.stockCode = w.stocks[r.stock].code;
    }
    const int industry = r.industry >= 0 ? r.industry : rng.range(0, NamePools::industries().size() - 1);
    s.industry = NamePools::industries().at(industry);
    s.theme = NamePools::industryWord(industry, rng);
    s.institution = w.institutions[r.inst].name;
    const int score = r.rating >= 0 ? ratings[r.rating].score : 4;
    s.recommendation = World::recommendationText(w.institutions[r.inst].style, score);
    QDate(QDate::fromJulianDay(r.publishJd)).getDate(&s.year, &s.month, &s.day);
    return ReportTitles::make(r.category, s, rng);
}

void Run::writeReportRow(JsonRowWriter &jw, const Report &r, int message, const QString &titleSuffix, qint64 modified) const
{
    jw.beginRow();
    jw.integer("id", r.id);
    jw.text("cd", ReportTitles::codes().at(r.category));
    jw.integer("im", r.important ? 1 : 0);
    jw.integer("ex", r.exclusive ? 1 : 0);
    jw.text("in", r.industry >= 0 ? NamePools::industries().at(r.industry) : QString());
    jw.text("sc", stockCode(r));
    jw.text("is", w.institutions[r.inst].name);
    jw.text("an", w.analystListText(r.analysts, r.analystCount));
    jw.text("tt", ReportTitles::encode(titleOf(r) + titleSuffix));
    jw.text("dP", TradingCalendar::dateText(r.publishJd));
    jw.integer("pg", r.pages);
    jw.text("tE", TradingCalendar::dateTimeText(r.entry));
    jw.text("ty", typeNames[r.type]);
    jw.text("tM", TradingCalendar::dateTimeText(modified));
    jw.integer("ms", message);
    jw.endRow();
}

void Run::writeRatingRow(JsonRowWriter &jw, const Rating &rt, qint64 modified) const
{
    const Report &r = reports[rt.report];
    jw.beginRow();
    jw.text("cd", stockCode(r));
    jw.text("is", w.institutions[r.inst].name);
    jw.text("an", w.analystListText(r.analysts, r.analystCount));
    jw.text("dP", TradingCalendar::dateText(r.publishJd));
    jw.text("rc", World::recommendationText(w.institutions[r.inst].style, rt.score));
    jw.integer("sc", rt.score);
    jw.text("ac", QByteArray(1, rt.action));
    jw.number("pP", rt.price, 2);
    jw.number("pF", rt.factor, 6);
    jw.number("pL", rt.lower, 2);
    jw.number("pU", rt.upper, 2);
    jw.number("fs", rt.shortPerf, 2);
    jw.number("fm", rt.middlePerf, 2);
    jw.integer("nw", rt.fresh);
    jw.integer("id", r.id);
    if (rt.previous > 0)
        jw.integer("pr", rt.previous);
    else
        jw.text("pr", "");
    jw.text("tE", TradingCalendar::dateTimeText(r.entry));
    jw.text("tM", TradingCalendar::dateTimeText(modified));
    jw.endRow();
}

void Run::writeEstimateRow(JsonRowWriter &jw, const Estimate &e, qint64 modified) const
{
    const Report &r = reports[ratings[e.rating].report];
    jw.beginRow();
    jw.integer("id", r.id);
    jw.text("pr", QByteArray::number(e.year) + "Q4");
    jw.text("cd", stockCode(r));
    jw.number("np", e.netProfit, 0);
    jw.text("tM", TradingCalendar::dateTimeText(modified));
    jw.endRow();
}

ImportModel::Rating Run::ratingKey(const Rating &rt, qint64 modified) const
{
    const Report &r = reports[rt.report];
    return {r.id, r.publishJd, r.stock, r.inst, modified, rt.previous, rt.fresh};
}

bool Run::save(Entry &e, const QByteArray &json)
{
    QSaveFile file(datDir + QLatin1Char('/') + e.name);
    const QByteArray packed = qCompress(json, 6);
    if (!file.open(QIODevice::WriteOnly) || file.write(packed) != packed.size() || !file.commit()) {
        e.error = QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    e.bytes = packed.size();
    return true;
}

void Run::packageStocks(Entry &e)
{
    JsonRowWriter jw;
    const qint64 stamp = TradingCalendar::stamp(today, 6, 0);
    for (const World::Stock &s : w.stocks) {
        const StockPrices &sp = prices[size_t(&s - w.stocks.data())];
        const double ttm = s.profit2015 * std::pow(1 + s.growth, 0.75);
        const double equity = s.profit2015 > 0 ? s.profit2015 / s.roe : s.shares * 2.5;
        jw.beginRow();
        jw.text("cd", s.code);
        jw.text("nm", s.name);
        jw.text("sp", s.spell);
        jw.integer("qt", s.quit ? 1 : 0);
        jw.text("pD", TradingCalendar::dateText(sp.last.jd));
        jw.number("pC", sp.last.close, 2);
        jw.number("pG", sp.last.change, 2);
        jw.number("pF", sp.last.factor, 6);
        jw.number("sh", s.shares, 0);
        jw.text("in", s.industryText);
        jw.integer("pN", sp.count());
        jw.text("pM", TradingCalendar::dateTimeText(DaySeries::rowStamp(sp.last.jd)));
        jw.number("b3010ttm", std::round(equity * 1.06), 0);
        jw.number("p5010ttm", std::round(ttm), 0);
        jw.text("tM", TradingCalendar::dateTimeText(stamp));
        jw.endRow();
    }
    const int n = int(w.stocks.size());
    e.rows = jw.rows();
    e.apply = [n](ImportModel &m) {
        for (int k = 0; k < n; ++k)
            m.stock(k);
    };
    save(e, jw.finish());
}

void Run::packageMatrix(Entry &e)
{
    JsonRowWriter jw;
    Rng rng(Rng::mix(o.seed, 610));
    const double levels[] = {0.04, 0.07, 0.1, 0.14, 0.18, 0.17, 0.14, 0.1, 0.06};
    const char *types[] = {"预增", "略增", "续盈", "扭亏", "预减", "略减", "首亏", "不确定", ""};
    std::vector<int> rows;
    for (int k = 0; k < int(w.stocks.size()); ++k) {
        const World::Stock &s = w.stocks[k];
        if (s.quit || !rng.chance(0.97))
            continue;
        rows.push_back(k);
        jw.beginRow();
        jw.text("cd", s.code);
        jw.integer("mx", rng.weighted(levels, 9) + 1);
        jw.number("opgttm", 100 * (s.growth * s.opRatio + 0.1 * rng.normal()), 2);
        jw.number("cagrlast", 100 * s.growth + 3 * rng.normal(), 2);
        jw.text("pre", types[rng.range(0, 8)]);
        jw.text("dt", TradingCalendar::dateText(today));
        jw.text("tM", TradingCalendar::dateTimeText(TradingCalendar::stamp(today, 6, 10)));
        jw.endRow();
    }
    e.rows = jw.rows();
    e.apply = [rows](ImportModel &m) {
        for (int k : rows)
            m.matrix(k);
    };
    save(e, jw.finish());
}

void Run::packageAnalysts(Entry &e)
{
    JsonRowWriter jw;
    std::vector<int> ids;
    for (const World::Analyst &a : w.analysts) {
        jw.beginRow();
        jw.integer("id", a.id);
        jw.text("nm", a.name);
        jw.text("is", w.institutions[a.institution].name);
        jw.text("in", a.industry);
        jw.integer("mn", a.months);
        jw.integer("ui", a.uid);
        jw.integer("nw", a.current ? 1 : 0);
        jw.text("dt", TradingCalendar::dateText(today));
        jw.text("tM", TradingCalendar::dateTimeText(TradingCalendar::stamp(today, 6, 20)));
        jw.endRow();
        ids.push_back(a.id);
    }
    e.rows = jw.rows();
    e.apply = [ids](ImportModel &m) {
        for (int id : ids)
            m.analyst(id);
    };
    save(e, jw.finish());
}

void Run::packageReports(Entry &e, int b, QByteArray *tsv)
{
    const Bucket &bk = buckets[b];
    JsonRowWriter jw;
    std::vector<qint64> ids;
    const qint64 from = bucketStart[b];
    const qint64 to = from + bk.count;
    for (qint64 g = from; g < to; ++g) {
        const Report &r = reports[size_t(g)];
        writeReportRow(jw, r, bk.today && r.message ? 1 : 0, QString(), r.modified);
        ids.push_back(r.id);
        QString title = titleOf(r);
        title.replace(QLatin1Char('\t'), QLatin1Char(' '));
        tsv->append(QByteArray::number(r.id) + '\t' + typeNames[r.type] + '\t' + QByteArray::number(r.pages) + '\t'
                    + TradingCalendar::dateText(r.publishJd) + '\t' + w.institutions[r.inst].name.toUtf8() + '\t'
                    + w.analystListText(r.analysts, r.analystCount).toUtf8() + '\t' + title.toUtf8() + '\t'
                    + (deletedReports.count(r.id) ? '1' : '0') + '\n');
    }
    // The service sometimes sends a report again with a newer time: the client updates it.
    if (!bk.today && b % 7 == 3 && bk.count > 5) {
        const Report &r = reports[size_t(from + 4)];
        writeReportRow(jw, r, 0, QStringLiteral("（修订）"), r.modified + 86400);
    }
    if (bk.today && b > 0) {
        for (qint64 g = bucketStart[b - 1]; g < bucketStart[b - 1] + 2 && g < from; ++g)
            writeReportRow(jw, reports[size_t(g)], 1, QStringLiteral("（更新）"), TradingCalendar::stamp(today, 9, 0));
    }
    e.rows = jw.rows();
    e.apply = [ids](ImportModel &m) {
        for (qint64 id : ids)
            m.report(id);
    };
    save(e, jw.finish());
}

void Run::packageRatings(Entry &e, int b)
{
    const Bucket &bk = buckets[b];
    JsonRowWriter jw;
    std::vector<ImportModel::Rating> keys;
    for (qint64 g = bucketStart[b]; g < bucketStart[b] + bk.count; ++g) {
        const Report &r = reports[size_t(g)];
        if (r.rating < 0)
            continue;
        const Rating &rt = ratings[r.rating];
        writeRatingRow(jw, rt, rt.modified);
        keys.push_back(ratingKey(rt, rt.modified));
    }
    if (bk.today && b > 0) {
        const qint64 stamp = TradingCalendar::stamp(today, 9, 5);
        int resent = 0;
        for (qint64 g = bucketStart[b - 1]; g < bucketStart[b] && resent < 2; ++g) {
            const Report &r = reports[size_t(g)];
            if (r.rating < 0)
                continue;
            writeRatingRow(jw, ratings[r.rating], stamp);
            keys.push_back(ratingKey(ratings[r.rating], stamp));
            ++resent;
        }
    }
    e.rows = jw.rows();
    e.apply = [keys](ImportModel &m) {
        for (const ImportModel::Rating &k : keys)
            m.rating(k);
    };
    save(e, jw.finish());
}

void Run::packageEstimates(Entry &e, int b)
{
    const Bucket &bk = buckets[b];
    JsonRowWriter jw;
    std::vector<std::pair<qint64, int>> keys;
    auto add = [&](const Estimate &est, qint64 modified) {
        writeEstimateRow(jw, est, modified);
        keys.emplace_back(reports[ratings[est.rating].report].id, int(est.year));
    };
    for (qint64 g = bucketStart[b]; g < bucketStart[b] + bk.count; ++g) {
        const Report &r = reports[size_t(g)];
        if (r.rating < 0)
            continue;
        const Rating &rt = ratings[r.rating];
        for (int k = 0; k < rt.estimateCount; ++k)
            add(estimates[size_t(rt.firstEstimate + k)], rt.modified);
    }
    if (bk.today && b > 0) {
        int resent = 0;
        for (qint64 g = bucketStart[b - 1]; g < bucketStart[b] && resent < 3; ++g) {
            const Report &r = reports[size_t(g)];
            if (r.rating < 0)
                continue;
            add(estimates[size_t(ratings[r.rating].firstEstimate)], TradingCalendar::stamp(today, 9, 10));
            ++resent;
        }
    }
    e.rows = jw.rows();
    e.apply = [keys](ImportModel &m) {
        for (const auto &k : keys)
            m.estimate(k.first, k.second);
    };
    save(e, jw.finish());
}

void Run::packageFinance(Entry &e)
{
    JsonRowWriter jw;
    Rng rng(Rng::mix(o.seed, 620));
    std::vector<std::pair<int, int>> keys;
    for (int k = 0; k < int(w.stocks.size()); ++k) {
        const World::Stock &s = w.stocks[k];
        const double equity = s.profit2015 > 0 ? s.profit2015 / s.roe : s.shares * 2.5;
        const int lastYear = rng.chance(0.02) && !s.quit ? ListYear + 1 : ListYear;
        for (int y = ListYear - 3; y <= lastYear; ++y) {
            if (s.prices.firstJd > TradingCalendar::jd(y, 12, 31) || s.prices.lastJd < TradingCalendar::jd(y, 12, 31))
                continue;
            const double profit = s.profit2015 * std::pow(1 + s.growth, y - 2015) * rng.between(0.97, 1.03);
            jw.beginRow();
            jw.text("cd", s.code);
            jw.text("dt", TradingCalendar::dateText(TradingCalendar::jd(y, 12, 31)));
            jw.number("blc3010", std::round(equity * std::pow(1.08, y - 2015)), 0);
            jw.number("prf30", std::round(profit * s.opRatio), 0);
            jw.number("prf5010", std::round(profit), 0);
            jw.text("tM", TradingCalendar::dateTimeText(TradingCalendar::stamp(std::min(today, TradingCalendar::jd(y + 1, 4, 28)), 20, 0)));
            jw.endRow();
            keys.emplace_back(k, y);
        }
    }
    e.rows = jw.rows();
    e.apply = [keys](ImportModel &m) {
        for (const auto &k : keys)
            m.finance(k.first, k.second);
    };
    save(e, jw.finish());
}

void Run::packageConsensus(Entry &e)
{
    std::vector<std::vector<int>> byStock(w.stocks.size());
    for (int k = 0; k < int(ratings.size()); ++k)
        byStock[size_t(reports[ratings[k].report].stock)].push_back(k);
    JsonRowWriter jw;
    std::vector<std::pair<int, int>> keys;
    const char *types[] = {"TDY", "LST"};
    for (int t = 0; t < 2; ++t) {
        const qint64 day = t == 0 ? today : today - 7;
        for (int s = 0; s < int(w.stocks.size()); ++s) {
            const World::Stock &st = w.stocks[s];
            if (st.quit)
                continue;
            std::map<int, int> latest;   // institution -> rating
            int count = 0, shortN = 0, shortOk = 0, middleN = 0, middleOk = 0;
            double sum[3] = {0, 0, 0};
            int sumN[3] = {0, 0, 0};
            for (int k : byStock[size_t(s)]) {
                const Rating &rt = ratings[k];
                const Report &r = reports[rt.report];
                if (r.publishJd < day - 180 || r.publishJd > day)
                    continue;
                ++count;
                latest[r.inst] = k;
                if (!std::isnan(rt.shortPerf)) {
                    ++shortN;
                    shortOk += rt.shortPerf > 0;
                }
                if (!std::isnan(rt.middlePerf)) {
                    ++middleN;
                    middleOk += rt.middlePerf > 0;
                }
                for (int x = 0; x < rt.estimateCount; ++x) {
                    const Estimate &est = estimates[size_t(rt.firstEstimate + x)];
                    const int slot = est.year - (ListYear + 1);
                    if (slot >= 0 && slot < 3) {
                        sum[slot] += est.netProfit;
                        ++sumN[slot];
                    }
                }
            }
            if (latest.empty())
                continue;
            int bull = 0, neutral = 0, bear = 0;
            double lower = NaN, upper = NaN;
            const double lastFactor = prices[size_t(s)].last.factor;
            for (const auto &entry : latest) {
                const Rating &rt = ratings[entry.second];
                bull += rt.score >= 4;
                neutral += rt.score == 3;
                bear += rt.score <= 2;
                if (!std::isnan(rt.lower)) {
                    const double lo = rt.lower * rt.factor / lastFactor;
                    const double hi = rt.upper * rt.factor / lastFactor;
                    lower = std::isnan(lower) ? lo : std::min(lower, lo);
                    upper = std::isnan(upper) ? hi : std::max(upper, hi);
                }
            }
            double next[3];
            for (int x = 0; x < 3; ++x) {
                next[x] = sumN[x] ? sum[x] / sumN[x] : st.profit2015 * std::pow(1 + st.growth, x + 1);
            }
            const double cagr = next[2] > 0 && st.profit2015 > 0 ? (std::pow(next[2] / st.profit2015, 1.0 / 3) - 1) * 100 : NaN;
            jw.beginRow();
            jw.text("cd", st.code);
            jw.text("tp", types[t]);
            jw.integer("ic", int(latest.size()));
            jw.integer("uc", bull);
            jw.integer("nc", neutral);
            jw.integer("bc", bear);
            jw.integer("rc", count);
            jw.number("sr", shortN ? 100.0 * shortOk / shortN : NaN, 2);
            jw.number("mr", middleN ? 100.0 * middleOk / middleN : NaN, 2);
            jw.number("pL", lower, 2);
            jw.number("pU", upper, 2);
            jw.number("p1", std::round(next[0]), 0);
            jw.number("p2", std::round(next[1]), 0);
            jw.number("p3", std::round(next[2]), 0);
            jw.number("cn", cagr, 2);
            jw.text("dt", TradingCalendar::dateText(day));
            jw.text("tM", TradingCalendar::dateTimeText(TradingCalendar::stamp(today, 15, 50)));
            jw.endRow();
            keys.emplace_back(s, t);
            consensusStocks[t].push_back(s);
        }
    }
    e.rows = jw.rows();
    e.apply = [keys](ImportModel &m) {
        for (const auto &k : keys)
            m.consensus(k.first, k.second);
    };
    save(e, jw.finish());
}

void Run::packageAce(Entry &e)
{
    struct Stats
    {
        std::unordered_set<int> stocks;
        int ratings = 0;
        int n[2] = {0, 0};
        int ok[2] = {0, 0};
        double max[2] = {-1e9, -1e9};
        double min[2] = {1e9, 1e9};
        double sum[2] = {0, 0};
    };
    std::map<std::pair<int, int>, Stats> stats;   // (uid, year)
    for (const Rating &rt : ratings) {
        const Report &r = reports[rt.report];
        const int year = QDate::fromJulianDay(r.publishJd).year();
        if (year < AceYear - 1 || year > AceYear + 1)
            continue;
        for (int a = 0; a < r.analystCount; ++a) {
            Stats &st = stats[{w.analysts[r.analysts[a]].uid, year}];
            st.stocks.insert(r.stock);
            ++st.ratings;
            const double perf[2] = {rt.shortPerf, rt.middlePerf};
            for (int h = 0; h < 2; ++h) {
                if (std::isnan(perf[h]))
                    continue;
                ++st.n[h];
                st.ok[h] += (rt.score >= 4) == (perf[h] > 0);
                st.max[h] = std::max(st.max[h], perf[h]);
                st.min[h] = std::min(st.min[h], perf[h]);
                st.sum[h] += perf[h];
            }
        }
    }
    JsonRowWriter jw;
    std::vector<std::pair<int, int>> keys;
    const char *names[2][5] = {{"sc", "ss", "sx", "si", "sa"}, {"mc", "ms", "mx", "mi", "ma"}};
    for (const auto &entry : stats) {
        const Stats &st = entry.second;
        jw.beginRow();
        jw.integer("uid", entry.first.first);
        jw.integer("yr", entry.first.second);
        jw.integer("st", int(st.stocks.size()));
        jw.integer("rc", st.ratings);
        for (int h = 0; h < 2; ++h) {
            jw.integer(names[h][0], st.n[h]);
            jw.integer(names[h][1], st.ok[h]);
            jw.number(names[h][2], st.n[h] ? st.max[h] : NaN, 2);
            jw.number(names[h][3], st.n[h] ? st.min[h] : NaN, 2);
            jw.number(names[h][4], st.n[h] ? st.sum[h] / st.n[h] : NaN, 2);
        }
        jw.text("dt", TradingCalendar::dateText(today));
        jw.text("tM", TradingCalendar::dateTimeText(TradingCalendar::stamp(today, 6, 30)));
        jw.endRow();
        keys.push_back(entry.first);
    }
    e.rows = jw.rows();
    e.apply = [keys](ImportModel &m) {
        for (const auto &k : keys)
            m.ace(k.first, k.second);
    };
    save(e, jw.finish());
}

void Run::packageRecommend(Entry &e)
{
    Rng rng(Rng::mix(o.seed, 630));
    std::vector<int> candidates;
    for (int k = 0; k < int(ratings.size()); ++k) {
        const Report &r = reports[ratings[k].report];
        if (ratings[k].score >= 4 && r.publishJd >= today - 40 && !deletedReports.count(r.id) && !buckets[r.bucket].today)
            candidates.push_back(k);
    }
    std::vector<std::pair<qint64, int>> keys;
    JsonRowWriter jw;
    auto row = [&](qint64 id, int valid, qint64 added, qint64 modified) {
        jw.beginRow();
        jw.integer("id", id);
        jw.integer("vl", valid);
        jw.text("tA", TradingCalendar::dateTimeText(added));
        jw.text("tM", TradingCalendar::dateTimeText(modified));
        jw.endRow();
        keys.emplace_back(id, valid);
    };
    std::vector<std::pair<qint64, qint64>> chosen;
    while (int(chosen.size()) < p.recommendations && !candidates.empty()) {
        const int at = rng.range(0, int(candidates.size()) - 1);
        const Report &r = reports[ratings[candidates[size_t(at)]].report];
        candidates.erase(candidates.begin() + at);
        chosen.emplace_back(r.id, r.entry + 7200);
    }
    std::sort(chosen.begin(), chosen.end(), [](const auto &a, const auto &b) { return a.second < b.second; });
    for (const auto &c : chosen)
        row(c.first, 1, c.second, c.second);
    // A later change of one entry, and two entries taken off the list again.
    if (chosen.size() > 3) {
        row(chosen[0].first, 1, chosen[0].second, chosen[0].second + 600);
        row(chosen[1].first, 0, chosen[1].second, chosen[1].second + 600);
        row(chosen[2].first, -1, chosen[2].second, chosen[2].second + 600);
    }
    e.rows = jw.rows();
    e.apply = [keys](ImportModel &m) {
        for (const auto &k : keys)
            m.recommend(k.first, k.second);
    };
    save(e, jw.finish());
}

void Run::packageReportDeletes(Entry &e)
{
    JsonRowWriter jw;
    for (qint64 id : reportDeletes) {
        jw.beginRow();
        jw.integer("id", id);
        jw.endRow();
    }
    const std::vector<qint64> ids = reportDeletes;
    e.rows = jw.rows();
    e.apply = [ids](ImportModel &m) {
        for (qint64 id : ids)
            m.deleteReport(id);
    };
    save(e, jw.finish());
}

void Run::packageEstimateDeletes(Entry &e)
{
    JsonRowWriter jw;
    for (const auto &d : estimateDeletes) {
        jw.beginRow();
        jw.integer("id", d.first);
        jw.text("pr", QByteArray::number(d.second) + "Q4");
        jw.endRow();
    }
    const auto keys = estimateDeletes;
    e.rows = jw.rows();
    e.apply = [keys](ImportModel &m) {
        for (const auto &k : keys)
            m.deleteEstimate(k.first, k.second);
    };
    save(e, jw.finish());
}

void Run::packageAnalystDeletes(Entry &e)
{
    JsonRowWriter jw;
    std::vector<int> ids;
    for (int k : analystDeletes)
        ids.push_back(w.analysts[k].id);
    std::unordered_set<int> taken;
    for (const World::Analyst &a : w.analysts)
        taken.insert(a.id);
    for (int id = 9999; id > 1000; --id) {
        if (!taken.count(id)) {
            ids.push_back(id);   // no such analyst: nothing happens
            break;
        }
    }
    for (int id : ids) {
        jw.beginRow();
        jw.integer("id", id);
        jw.endRow();
    }
    e.rows = jw.rows();
    e.apply = [ids](ImportModel &m) {
        for (int id : ids)
            m.deleteAnalyst(id);
    };
    save(e, jw.finish());
}

bool Run::writeText(const QString &name, const QByteArray &bytes, QString *error) const
{
    QSaveFile file(o.outDir + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

void Run::fillFavourites()
{
    // Reports of the last full month that the client keeps (imported and not deleted).
    std::vector<qint64> pool;
    const int b = int(buckets.size()) - 3;
    for (qint64 g = bucketStart[size_t(b)]; g < bucketStart[size_t(b)] + buckets[size_t(b)].count && pool.size() < 12; g += 3) {
        if (!deletedReports.count(reports[size_t(g)].id))
            pool.push_back(reports[size_t(g)].id);
    }
    auto ids = [&](int from, int n) {
        QStringList out;
        for (int k = from; k < from + n && k < int(pool.size()); ++k)
            out.append(QString::number(pool[size_t(k)]));
        return out;
    };
    auto entry = [](const QString &name, const QString &list) {
        return QJsonObject{{QStringLiteral("nam"), name}, {QStringLiteral("lst"), list}};
    };
    World::Account &a = w.accounts[0];
    a.favourites.append(entry(QStringLiteral("重点关注"), ids(0, 4).join(QLatin1Char(','))));
    const QStringList two = ids(4, 2);
    a.favourites.append(entry(QStringLiteral("待读"), two.join(QStringLiteral(",,"))));
    a.favourites.append(entry(QStringLiteral("空收藏夹"), QString()));
    w.accounts[1].favourites.append(entry(QStringLiteral("收藏"), ids(6, 2).join(QLatin1Char(','))));
}

QJsonObject Run::facts(const ImportModel &model) const
{
    QJsonObject f;
    const Bucket &tdy = buckets.back();
    const qint64 from = bucketStart.back();
    int messages = 0;
    QJsonArray blockTips;
    const QStringList blocks = w.blockStocks();
    qint64 newest = 0;
    for (qint64 g = from; g < from + tdy.count; ++g) {
        const Report &r = reports[size_t(g)];
        newest = std::max(newest, r.entry);
        messages += r.message;
        if (r.stock >= 0 && blocks.contains(w.stocks[r.stock].code) && !blockTips.contains(w.stocks[r.stock].code))
            blockTips.append(w.stocks[r.stock].code);
    }
    int todayRatings = 0, firstAlerts = 0, upgradeAlerts = 0;
    for (qint64 g = from; g < from + tdy.count; ++g) {
        const Report &r = reports[size_t(g)];
        if (r.rating < 0)
            continue;
        const Rating &rt = ratings[r.rating];
        ++todayRatings;
        firstAlerts += rt.fresh == 1 && rt.action == 'I';
        upgradeAlerts += rt.fresh == 1 && rt.action == 'U';
    }
    f.insert(QStringLiteral("today"), QString::fromLatin1(TradingCalendar::dateText(today)));
    f.insert(QStringLiteral("newestEntry"), QString::fromLatin1(TradingCalendar::dateTimeText(newest)));
    f.insert(QStringLiteral("dataYear"), DataYear);
    f.insert(QStringLiteral("listYear"), ListYear);
    f.insert(QStringLiteral("aceYear"), AceYear);
    f.insert(QStringLiteral("todayReports"), tdy.count);
    f.insert(QStringLiteral("todayMessageReports"), messages);
    f.insert(QStringLiteral("todayRatings"), todayRatings);
    f.insert(QStringLiteral("todayFirstRatingAlerts"), firstAlerts);
    f.insert(QStringLiteral("todayUpgradeAlerts"), upgradeAlerts);
    f.insert(QStringLiteral("todayBlockStocks"), blockTips);

    int listed = 0, quit = 0;
    for (const World::Stock &s : w.stocks)
        (s.quit ? quit : listed) += 1;
    f.insert(QStringLiteral("listedStocks"), listed);
    f.insert(QStringLiteral("quitStocks"), quit);

    std::unordered_set<int> persons, currentPersons;
    for (const World::Analyst &a : w.analysts) {
        if (!model.hasAnalyst(a.id))
            continue;
        persons.insert(a.uid);
        if (a.fromJd > 0 || !a.mover)
            currentPersons.insert(a.uid);
    }
    f.insert(QStringLiteral("analystPersons"), int(persons.size()));
    f.insert(QStringLiteral("analystsCurrent"), int(currentPersons.size()));
    f.insert(QStringLiteral("awardedAnalysts"), int(awards.analysts().size()));
    f.insert(QStringLiteral("consensusStocksToday"), int(consensusStocks[0].size()));

    const int sample = w.stockIndex.value(w.accounts[0].portfolio.value(0), 0);
    const StockPrices &sp = prices[size_t(sample)];
    f.insert(QStringLiteral("sampleStock"), QJsonObject{
        {QStringLiteral("code"), w.stocks[size_t(sample)].code},
        {QStringLiteral("name"), w.stocks[size_t(sample)].name},
        {QStringLiteral("priceCount"), sp.count()},
        {QStringLiteral("priceModify"), QString::fromLatin1(TradingCalendar::dateTimeText(DaySeries::rowStamp(sp.last.jd)))},
        {QStringLiteral("factor"), sp.last.factor},
        {QStringLiteral("close"), sp.last.close},
    });

    QJsonObject files;
    for (qint64 g = qint64(reports.size()) - 1; g >= 0 && files.size() < 4; --g) {
        const Report &r = reports[size_t(g)];
        const QString type = QString::fromLatin1(typeNames[r.type]);
        if (!files.contains(type.isEmpty() ? QStringLiteral("none") : type) && !deletedReports.count(r.id))
            files.insert(type.isEmpty() ? QStringLiteral("none") : type, QString::number(r.id));
    }
    f.insert(QStringLiteral("reportFiles"), files);
    QJsonArray deleted;
    for (qint64 id : reportDeletes) {
        if (deletedReports.count(id))
            deleted.append(QString::number(id));
    }
    f.insert(QStringLiteral("deletedReports"), deleted);
    f.insert(QStringLiteral("upgradeFile"), QString::fromLatin1(UpgradeFile));
    return f;
}

bool Run::execute(QString *error)
{
    QElapsedTimer timer;
    timer.start();
    today = TradingCalendar::onOrBefore(o.todayJd);
    datDir = o.outDir + QStringLiteral("/dat");
    if (!QDir().mkpath(datDir) || !QDir().mkpath(o.outDir + QStringLiteral("/dwn"))) {
        *error = QStringLiteral("cannot create %1").arg(o.outDir);
        return false;
    }
    QFile::remove(o.outDir + QStringLiteral("/manifest.json"));
    for (const QString &old : QDir(datDir).entryList(QDir::Files))
        QFile::remove(datDir + QLatin1Char('/') + old);

    w.build(o.seed, p.sizes, awards, today);
    planBuckets();
    makePrices();
    qint64 total = 0;
    for (const Bucket &b : buckets) {
        bucketStart.push_back(total);
        total += b.count;
    }
    reports.resize(size_t(total));
    parallelFor(int(buckets.size()), o.threads, [this](int b) { makeReports(b); });
    makeRatings();
    makeEstimates();
    chooseDeletions();

    // Index order: stocks and analysts, every report package (monthly, then today's), ratings,
    // estimates, the per-stock figures, and the deletes last.
    std::vector<Entry> entries;
    std::vector<std::function<void(Entry &)>> jobs;
    auto add = [&](const QString &name, qint64 stamp, std::function<void(Entry &)> job) {
        Entry e;
        e.name = name;
        e.stamp = stamp;
        entries.push_back(e);
        jobs.push_back(std::move(job));
    };
    const int nb = int(buckets.size());
    std::vector<QByteArray> tsv(buckets.size());
    add(QStringLiteral("STK.DAT"), TradingCalendar::stamp(today, 6, 0), [this](Entry &e) { packageStocks(e); });
    add(QStringLiteral("MTX.DAT"), TradingCalendar::stamp(today, 6, 10), [this](Entry &e) { packageMatrix(e); });
    add(QStringLiteral("ANL.DAT"), TradingCalendar::stamp(today, 6, 20), [this](Entry &e) { packageAnalysts(e); });
    for (int b = 0; b < nb; ++b) {
        add(QStringLiteral("RPT%1.DAT").arg(buckets[b].suffix()), buckets[b].packageStamp,
            [this, b, &tsv](Entry &e) { packageReports(e, b, &tsv[size_t(b)]); });
    }
    for (int b = 0; b < nb; ++b) {
        add(QStringLiteral("RAT%1.DAT").arg(buckets[b].suffix()), buckets[b].packageStamp + 300,
            [this, b](Entry &e) { packageRatings(e, b); });
    }
    for (int b = 0; b < nb; ++b) {
        add(QStringLiteral("EST%1.DAT").arg(buckets[b].suffix()), buckets[b].packageStamp + 600,
            [this, b](Entry &e) { packageEstimates(e, b); });
    }
    add(QStringLiteral("FIN.DAT"), TradingCalendar::stamp(today, 6, 40), [this](Entry &e) { packageFinance(e); });
    add(QStringLiteral("ACE.DAT"), TradingCalendar::stamp(today, 6, 30), [this](Entry &e) { packageAce(e); });
    add(QStringLiteral("CNS.DAT"), TradingCalendar::stamp(today, 15, 50), [this](Entry &e) { packageConsensus(e); });
    add(QStringLiteral("RCM.DAT"), TradingCalendar::stamp(today, 15, 55), [this](Entry &e) { packageRecommend(e); });
    add(QStringLiteral("RPTDEL.DAT"), TradingCalendar::stamp(today, 16, 0), [this](Entry &e) { packageReportDeletes(e); });
    add(QStringLiteral("ESTDEL.DAT"), TradingCalendar::stamp(today, 16, 0), [this](Entry &e) { packageEstimateDeletes(e); });
    add(QStringLiteral("ANLDEL.DAT"), TradingCalendar::stamp(today, 16, 0), [this](Entry &e) { packageAnalystDeletes(e); });

    // The consensus writer is the only one that fills shared state; everything else is read only.
    parallelFor(int(jobs.size()), o.threads, [&](int k) { jobs[size_t(k)](entries[size_t(k)]); });
    for (const Entry &e : entries) {
        if (!e.error.isEmpty()) {
            *error = e.error;
            return false;
        }
    }

    ImportModel model;
    QJsonArray index;
    QJsonArray packageList;
    for (const Entry &e : entries) {
        const QString tM = QString::fromLatin1(TradingCalendar::dateTimeText(e.stamp));
        index.append(QJsonObject{{QStringLiteral("dt"), e.name}, {QStringLiteral("tM"), tM}});
        const bool skip = ImportModel::skipped(e.name, DataYear);
        if (!skip) {
            model.package(e.name);
            e.apply(model);
        }
        packageList.append(QJsonObject{{QStringLiteral("name"), e.name}, {QStringLiteral("tM"), tM},
                                       {QStringLiteral("rows"), e.rows}, {QStringLiteral("bytes"), double(e.bytes)},
                                       {QStringLiteral("skipped"), skip}});
    }
    Entry idx;
    idx.name = QStringLiteral("IDX.DAT");
    if (!save(idx, QJsonDocument(QJsonObject{{QStringLiteral("data"), index}}).toJson(QJsonDocument::Compact))) {
        *error = idx.error;
        return false;
    }

    fillFavourites();
    QJsonArray accounts;
    QJsonArray accountSummary;
    for (const World::Account &a : w.accounts) {
        accounts.append(QJsonObject{
            {QStringLiteral("acc"), a.account}, {QStringLiteral("pwd"), a.password}, {QStringLiteral("nam"), a.name},
            {QStringLiteral("prt"), a.portfolio.join(QLatin1Char(','))}, {QStringLiteral("ins"), a.institutions.join(QLatin1Char(','))},
            {QStringLiteral("anl"), a.analysts.join(QLatin1Char(','))}, {QStringLiteral("msk"), a.masked.join(QLatin1Char(','))},
            {QStringLiteral("sub"), a.subscriptions}, {QStringLiteral("fav"), a.favourites}, {QStringLiteral("blk"), a.blocks}});
        accountSummary.append(QJsonObject{{QStringLiteral("account"), a.account}, {QStringLiteral("password"), a.password},
                                          {QStringLiteral("name"), a.name}});
    }
    QByteArray stocksTsv;
    for (const World::Stock &s : w.stocks) {
        stocksTsv += s.code.toUtf8() + '\t' + QByteArray::number(s.prices.firstJd) + '\t' + QByteArray::number(s.prices.lastJd)
                     + '\t' + QByteArray::number(s.prices.endPrice, 'g', 17) + '\t'
                     + QByteArray::number(s.prices.startFactor, 'g', 17) + '\t' + QByteArray::number(s.prices.vol, 'g', 17) + '\n';
    }
    QByteArray upgrade("MZ");
    upgrade += QByteArray("Tamrel sample upgrade package. It is not a program.\r\n").repeated(80);

    const QJsonObject tables{
        {QStringLiteral("T_Stock"), model.stocks()},         {QStringLiteral("T_Matrix"), model.matrixRows()},
        {QStringLiteral("T_Analyst"), model.analysts()},     {QStringLiteral("T_Report"), model.reports()},
        {QStringLiteral("T_Rating"), model.ratings()},       {QStringLiteral("T_Estimate"), model.estimates()},
        {QStringLiteral("T_Finance"), model.financeRows()},  {QStringLiteral("T_Consensus"), model.consensusRows()},
        {QStringLiteral("T_Ace"), model.aceRows()},          {QStringLiteral("T_Recommend"), model.recommendations()},
        {QStringLiteral("T_Data"), model.dataRows()},
    };
    QJsonObject manifest{
        {QStringLiteral("format"), 1},
        {QStringLiteral("size"), o.size},
        {QStringLiteral("seed"), QString::number(o.seed)},
        {QStringLiteral("today"), QString::fromLatin1(TradingCalendar::dateText(today))},
        {QStringLiteral("awardsFile"), awards.analysts().empty() ? QString() : o.awardsPath},
        {QStringLiteral("tables"), tables},
        {QStringLiteral("facts"), facts(model)},
        {QStringLiteral("accounts"), accountSummary},
        {QStringLiteral("packages"), packageList},
    };
    QByteArray reportsTsv;
    for (const QByteArray &chunk : tsv)
        reportsTsv += chunk;
    if (!writeText(QStringLiteral("accounts.json"), QJsonDocument(accounts).toJson(), error)
        || !writeText(QStringLiteral("stocks.tsv"), stocksTsv, error) || !writeText(QStringLiteral("reports.tsv"), reportsTsv, error)
        || !writeText(QStringLiteral("dwn/") + QLatin1String(UpgradeFile), upgrade, error)
        || !writeText(QStringLiteral("manifest.json"), QJsonDocument(manifest).toJson(), error)) {
        return false;
    }
    std::fprintf(stderr, "tamrel-devserver: generated %s set in %s: %d packages, %d reports, %d ratings, %d estimates, "
                         "%d stocks, %d analyst records in %.1f s\n",
                 qPrintable(o.size), qPrintable(o.outDir), int(entries.size()) + 1, model.reports(), model.ratings(),
                 model.estimates(), model.stocks(), model.analysts(), double(timer.elapsed()) / 1000.0);
    return true;
}

} // namespace

bool Generator::run(const Options &options, QString *error)
{
    Options o = options;
    if (o.size != QLatin1String("small") && o.size != QLatin1String("large")) {
        *error = QStringLiteral("unknown size \"%1\" (small or large)").arg(o.size);
        return false;
    }
    if (o.threads <= 0)
        o.threads = int(std::max(1u, std::thread::hardware_concurrency()));
    if (o.todayJd == 0)
        o.todayJd = TradingCalendar::jd(2017, 1, 9);
    AwardTable awards;
    QStringList warnings;
    if (o.awardsPath.isEmpty() || !awards.load(o.awardsPath, &warnings)) {
        std::fprintf(stderr, "tamrel-devserver: award table %s not found; generating without awarded analysts\n",
                     qPrintable(o.awardsPath.isEmpty() ? QStringLiteral("(none)") : o.awardsPath));
    }
    for (const QString &w : qAsConst(warnings))
        std::fprintf(stderr, "tamrel-devserver: award table: %s\n", qPrintable(w));
    const Profile profile = profileFor(o.size);
    Run run(o, profile, awards);
    return run.execute(error);
}
