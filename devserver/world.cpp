#include "world.h"

#include "namepools.h"
#include "rng.h"
#include "tradingcalendar.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace {

struct CodeRange
{
    const char *prefix;
    const char *exchange;
    double weight;
    int lo, hi;           // the last three digits
    double oldShare;      // share of stocks listed before the price history starts
};

const CodeRange codeRanges[] = {
    {"600", "SH", 0.25, 0, 999, 0.97},  {"601", "SH", 0.08, 0, 999, 0.8},   {"603", "SH", 0.08, 0, 999, 0.0},
    {"000", "SZ", 0.14, 1, 999, 0.98},  {"001", "SZ", 0.004, 696, 999, 0.5}, {"002", "SZ", 0.24, 1, 899, 0.65},
    {"300", "SZ", 0.17, 1, 699, 0.35},
};

qint64 randomTradingDay(Rng &rng, qint64 from, qint64 to)
{
    return TradingCalendar::onOrBefore(from + qint64(rng.uniform() * double(to - from)));
}

} // namespace

void World::build(quint64 seed, const Sizes &sizes, const AwardTable &awards, qint64 todayJd)
{
    buildStocks(seed, sizes.stocks, todayJd);
    buildInstitutions(seed, sizes, awards);
    buildAnalysts(seed, sizes.analystRecords, awards, todayJd);
    buildAccounts(seed);
}

void World::buildStocks(quint64 seed, int count, qint64 todayJd)
{
    Rng rng(Rng::mix(seed, 1));
    const int ranges = int(sizeof codeRanges / sizeof codeRanges[0]);
    double total = 0;
    for (const CodeRange &r : codeRanges)
        total += r.weight;

    QSet<QString> names;
    const qint64 lastDay = TradingCalendar::onOrBefore(todayJd);
    const qint64 start = DaySeries::historyStart();
    for (int ri = 0; ri < ranges; ++ri) {
        const CodeRange &r = codeRanges[ri];
        std::vector<int> numbers;
        for (int k = r.lo; k <= r.hi; ++k)
            numbers.push_back(k);
        // A partial shuffle picks distinct codes.
        const int want = std::min(int(numbers.size()), int(std::lround(count * r.weight / total)));
        for (int k = 0; k < want; ++k)
            std::swap(numbers[k], numbers[k + int(rng.next() % quint64(numbers.size() - k))]);
        numbers.resize(want);
        std::sort(numbers.begin(), numbers.end());
        for (int number : numbers) {
            Stock s;
            s.code = QStringLiteral("%1%2.%3").arg(QLatin1String(r.prefix)).arg(number, 3, 10, QLatin1Char('0')).arg(QLatin1String(r.exchange));
            s.industry = rng.range(0, NamePools::industries().size() - 1);
            QString spell;
            QString name;
            do {
                name = NamePools::stockName(s.industry, rng, &spell);
                if (r.prefix[2] == '0' && r.prefix[0] == '0' && rng.chance(0.04)) {
                    name = name.left(2) + QLatin1Char('A');
                    spell = spell.left(2) + QLatin1Char('A');
                }
            } while (names.contains(name));
            names.insert(name);
            const double st = rng.uniform();
            if (st < 0.01) {
                name = QStringLiteral("*ST") + name.left(2);
                spell = QStringLiteral("*ST") + spell.left(2);
            } else if (st < 0.03) {
                name = QStringLiteral("ST") + name.left(2);
                spell = QStringLiteral("ST") + spell.left(2);
            }
            s.name = name;
            s.spell = spell;
            const QString sub = NamePools::subIndustry(s.industry, rng);
            s.industryText = NamePools::industries().at(s.industry);
            if (!sub.isEmpty() && rng.chance(0.5))
                s.industryText += QLatin1Char(',') + sub;

            const bool old = rng.chance(r.oldShare);
            s.prices.code = s.code;
            s.prices.firstJd = old ? start - rng.range(30, 3000)
                                   : randomTradingDay(rng, TradingCalendar::jd(2011, 1, 1), lastDay - 40);
            s.prices.lastJd = lastDay;
            s.quit = old && (r.prefix[0] == '6' || r.prefix[1] == '0') && r.prefix[2] == '0' && rng.chance(0.035);
            if (s.quit)
                s.prices.lastJd = randomTradingDay(rng, TradingCalendar::jd(2012, 6, 1), TradingCalendar::jd(2016, 12, 1));
            s.prices.startFactor = old ? DaySeries::roundFactor(1.0 + rng.between(0, 3)) : 1.0;
            s.prices.vol = rng.between(0.014, 0.034);

            const bool big = r.prefix[2] == '1' && r.prefix[0] == '6';
            s.shares = std::round(std::pow(10.0, big ? rng.between(9.3, 11.2) : rng.between(7.9, 10.2)));
            double eps = std::exp(rng.normal() * 0.8 - 0.9);
            eps = std::min(eps, 6.0);
            if (rng.chance(0.06))
                eps = -rng.between(0.05, 0.9);
            s.profit2015 = std::round(eps * s.shares);
            s.growth = std::clamp(0.1 + 0.16 * rng.normal(), -0.45, 0.85);
            s.roe = rng.between(0.03, 0.26);
            s.opRatio = rng.between(1.1, 1.45);
            const double epsTtm = eps * std::pow(1 + s.growth, 0.75);
            double price = epsTtm > 0 ? epsTtm * rng.between(12, 70) : rng.between(3, 25);
            s.prices.endPrice = DaySeries::round2(std::clamp(price, 1.5, 320.0));
            stockIndex.insert(s.code, int(stocks.size()));
            stocks.push_back(s);
        }
    }
}

void World::buildInstitutions(quint64 seed, const Sizes &sizes, const AwardTable &awards)
{
    Rng rng(Rng::mix(seed, 2));
    QStringList domestic = NamePools::domesticInstitutions(sizes.domesticInstitutions, rng);
    for (const QString &name : awards.institutions()) {
        if (!domestic.contains(name) && !NamePools::internationalBanks().contains(name))
            domestic.append(name);
    }
    for (const QString &name : domestic) {
        Institution inst;
        inst.name = name;
        inst.style = rng.range(0, 2);
        inst.weight = std::exp(rng.normal() * 0.6);
        institutions.push_back(inst);
    }
    const QStringList &banks = NamePools::internationalBanks();
    for (int k = 0; k < std::min(sizes.internationalBanks, int(banks.size())); ++k) {
        Institution inst;
        inst.name = banks.at(k);
        inst.international = true;
        inst.style = 3;
        inst.weight = 0.35;
        institutions.push_back(inst);
    }
}

void World::buildAnalysts(quint64 seed, int records, const AwardTable &awards, qint64 todayJd)
{
    Rng rng(Rng::mix(seed, 3));
    const QStringList &industries = NamePools::industries();
    const QStringList fields = {QStringLiteral("宏观经济"), QStringLiteral("策略研究"), QStringLiteral("固定收益"),
                                QStringLiteral("金融工程")};
    QHash<QString, int> instIndex;
    for (int k = 0; k < int(institutions.size()); ++k)
        instIndex.insert(institutions[k].name, k);

    QSet<int> awardedIds;
    for (const AwardTable::Analyst &a : awards.analysts())
        awardedIds.insert(a.id);
    std::vector<int> freeIds;
    for (int id = 1001; id <= 9999; ++id) {
        if (!awardedIds.contains(id))
            freeIds.push_back(id);
    }
    for (int k = int(freeIds.size()) - 1; k > 0; --k)
        std::swap(freeIds[k], freeIds[int(rng.next() % quint64(k + 1))]);
    int nextFree = 0;

    std::vector<double> weights;
    for (const Institution &inst : institutions)
        weights.push_back(inst.international ? inst.weight * 0.4 : inst.weight);

    int uid = 300000;
    for (const AwardTable::Analyst &a : awards.analysts()) {
        Analyst r;
        r.id = a.id;
        r.uid = ++uid;
        r.name = a.name;
        r.institution = instIndex.value(a.institution);
        r.industry = a.category;
        for (const QString &ind : industries) {
            if (a.category.startsWith(ind))
                r.industry = ind;
        }
        r.months = rng.range(48, 200);
        r.awarded = true;
        analysts.push_back(r);
    }

    // A long award table must not crowd out the analysts that publish most reports.
    const int generated = std::max(records - int(analysts.size()), records * 2 / 3);
    int made = 0;
    while (made < generated && nextFree < int(freeIds.size())) {
        Analyst r;
        r.uid = ++uid;
        r.name = NamePools::personName(rng);
        r.institution = rng.weighted(weights.data(), int(weights.size()));
        r.industry = rng.chance(0.15) ? fields.at(rng.range(0, fields.size() - 1)) : industries.at(rng.range(0, industries.size() - 1));
        r.months = rng.range(6, 180);
        const bool mover = made + 2 <= generated && !institutions[r.institution].international && rng.chance(0.08);
        if (mover) {
            // The old record comes first and is sent as current too: the current record that
            // follows takes the mark away from it when it is imported.
            Analyst old = r;
            do {
                old.institution = rng.weighted(weights.data(), int(weights.size()));
            } while (old.institution == r.institution || institutions[old.institution].international);
            const qint64 moved = TradingCalendar::onOrBefore(TradingCalendar::jd(2013, 6, 1) + rng.range(0, 1200));
            old.id = freeIds[nextFree++];
            old.toJd = moved;
            old.mover = true;
            old.months = std::max(1, r.months - rng.range(1, 30));
            analysts.push_back(old);
            r.fromJd = moved + 1;
            r.mover = true;
            ++made;
        }
        r.id = freeIds[nextFree++];
        analysts.push_back(r);
        ++made;
    }
    for (int k = 0; k < int(analysts.size()); ++k) {
        Analyst &a = analysts[k];
        if (a.toJd == 0)
            a.toJd = todayJd + 1;
        institutions[a.institution].analysts.push_back(k);
    }
    // An institution without analysts still publishes: give it one.
    for (int k = 0; k < int(institutions.size()); ++k) {
        if (!institutions[k].analysts.empty() || nextFree >= int(freeIds.size()))
            continue;
        Analyst r;
        r.uid = ++uid;
        r.id = freeIds[nextFree++];
        r.name = NamePools::personName(rng);
        r.institution = k;
        r.industry = industries.at(rng.range(0, industries.size() - 1));
        r.months = rng.range(6, 120);
        r.toJd = todayJd + 1;
        institutions[k].analysts.push_back(int(analysts.size()));
        analysts.push_back(r);
    }
}

static QJsonObject entry(const QString &name, const QString &key, const QString &value)
{
    return QJsonObject{{QStringLiteral("nam"), name}, {key, value}};
}

static QString subscription(const QString &ttl, const QString &ins, const QString &anl, const QString &cod)
{
    const QJsonObject c{{QStringLiteral("ttl"), ttl}, {QStringLiteral("ins"), ins}, {QStringLiteral("anl"), anl},
                        {QStringLiteral("cod"), cod}};
    return QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(QJsonDocument(c).toJson(QJsonDocument::Compact))));
}

void World::buildAccounts(quint64 seed)
{
    Rng rng(Rng::mix(seed, 4));
    auto listedOf = [&](const QString &industry) {
        QStringList out;
        for (const Stock &s : stocks) {
            if (!s.quit && (industry.isEmpty() || NamePools::industries().at(s.industry) == industry))
                out.append(s.code);
        }
        return out;
    };
    auto pick = [&](QStringList pool, int n) {
        QStringList out;
        while (out.size() < n && !pool.isEmpty())
            out.append(pool.takeAt(rng.range(0, pool.size() - 1)));
        return out;
    };
    const QStringList all = listedOf(QString());

    Account a;
    a.account = QStringLiteral("20170101");
    a.password = QStringLiteral("demo8888");
    a.name = QStringLiteral("张明远");
    a.portfolio = pick(all, 6);
    a.portfolio.sort();
    QStringList newEnergy = pick(listedOf(QStringLiteral("电气设备")), 3) + pick(listedOf(QStringLiteral("汽车及零部件")), 2);
    a.blocks.append(entry(QStringLiteral("新能源"), QStringLiteral("lst"), newEnergy.join(QLatin1Char(','))));
    a.blocks.append(entry(QStringLiteral("银行股"), QStringLiteral("lst"), pick(listedOf(QStringLiteral("金融")), 4).join(QLatin1Char(','))));
    a.blocks.append(entry(QStringLiteral("我的 自选"), QStringLiteral("lst"), pick(all, 6).join(QLatin1Char(','))));
    a.institutions = QStringList{QStringLiteral("长城证券"), institutions[3].name};
    for (const Institution &inst : institutions) {
        if (inst.international) {
            a.institutions.append(inst.name);
            break;
        }
    }
    // Two awarded analysts when there are any, and one who changed institution.
    for (const Analyst &r : analysts) {
        if (r.awarded && a.analysts.size() < 2)
            a.analysts.append(QString::number(r.uid));
    }
    for (const Analyst &r : analysts) {
        if (r.mover && r.current && r.fromJd > 0) {
            a.analysts.append(QString::number(r.uid));
            break;
        }
    }
    if (a.analysts.isEmpty())
        a.analysts.append(QString::number(analysts.front().uid));
    a.masked = QStringList{institutions[5].name};
    a.subscriptions.append(entry(QStringLiteral("新能源汽车"), QStringLiteral("cnt"),
                                 subscription(QStringLiteral("新能源汽车"), QString(), QString(), QStringLiteral("STK.IND@CN"))));
    a.subscriptions.append(entry(QStringLiteral("长城公司"), QStringLiteral("cnt"),
                                 subscription(QString(), QStringLiteral("长城证券"), QString(), QStringLiteral("STK.COM@CN"))));
    accounts.push_back(a);

    Account b;
    b.account = QStringLiteral("13800138000");
    b.password = QStringLiteral("demo1111");
    b.name = QStringLiteral("李静");
    b.portfolio = pick(all, 2);
    b.portfolio.sort();
    b.blocks.append(entry(QStringLiteral("关注"), QStringLiteral("lst"), pick(all, 3).join(QLatin1Char(','))));
    b.institutions = QStringList{institutions[1].name};
    b.analysts = QStringList{QString::number(analysts.back().uid)};
    b.subscriptions.append(entry(QStringLiteral("策略"), QStringLiteral("cnt"),
                                 subscription(QStringLiteral("策略 -周报"), QString(), QString(), QStringLiteral("STK.STG@CN"))));
    accounts.push_back(b);

    Account guest;
    guest.name = QStringLiteral("游客");
    accounts.push_back(guest);
}

QStringList World::blockStocks() const
{
    QStringList out;
    for (const Account &a : accounts) {
        for (const QJsonValue &v : a.blocks) {
            for (const QString &code : v.toObject().value(QLatin1String("lst")).toString().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                if (!out.contains(code))
                    out.append(code);
            }
        }
    }
    return out;
}

QString World::analystListText(const int *records, int count) const
{
    QString out;
    for (int k = 0; k < count; ++k) {
        const Analyst &a = analysts[records[k]];
        if (!out.isEmpty())
            out += QLatin1Char(',');
        out += a.name + QLatin1Char('[') + QString::number(a.id) + QLatin1Char(']');
    }
    return out;
}

QString World::recommendationText(int style, int score)
{
    static const char *words[4][5] = {
        {"卖出", "减持", "中性", "增持", "买入"},
        {"卖出", "回避", "中性", "推荐", "强烈推荐"},
        {"卖出", "减持", "持有", "审慎推荐", "买入"},
        {"卖出", "跑输大市", "中性", "跑赢大市", "买入"},
    };
    return QString::fromUtf8(words[style][std::clamp(score, 1, 5) - 1]);
}
