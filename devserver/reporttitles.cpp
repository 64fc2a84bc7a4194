#include "reporttitles.h"

#include "namepools.h"
#include "rng.h"

const QStringList &ReportTitles::codes()
{
    static const QStringList list = {
        QStringLiteral("MCR@"), QStringLiteral("MCR@CN"), QStringLiteral("STK.NWS@CN"), QStringLiteral("STK.STG@CN"),
        QStringLiteral("STK.IND@CN"), QStringLiteral("STK.COM@CN"), QStringLiteral("STK.ENG@CN"), QStringLiteral("STK.BSH@CN"),
        QStringLiteral("OTC@CN"), QStringLiteral("FND@CN"), QStringLiteral("FIX@CN"), QStringLiteral("STK@HK"),
        QStringLiteral("STK.NWS@HK"), QStringLiteral("STK.MKT@HK"), QStringLiteral("STK.IND@HK"), QStringLiteral("STK.COM@HK"),
        QStringLiteral("STK.DRV@HK"), QStringLiteral("STK@US"), QStringLiteral("CMD@"),
    };
    return list;
}

double ReportTitles::weight(int category)
{
    static const double w[CategoryCount] = {1.5, 4, 5, 6, 16, 52, 3.5, 0.4, 1.5, 2, 3.5, 0.8, 0.6, 0.6, 0.6, 1.2, 0.3, 0.8, 1.2};
    return w[category];
}

bool ReportTitles::isHongKongOrAbroad(int category)
{
    return category == MacroGlobal || (category >= HongKong && category <= UnitedStates);
}

static QString pickOne(Rng &rng, const QStringList &options)
{
    return options.at(rng.range(0, options.size() - 1));
}

QString ReportTitles::make(int category, const Subject &s, Rng &rng)
{
    const QString y = QString::number(s.year);
    const QString mmdd = QStringLiteral("%1%2").arg(s.month, 2, 10, QLatin1Char('0')).arg(s.day, 2, 10, QLatin1Char('0'));
    const QString m = QString::number(s.month);
    const QString head = s.stockName + QLatin1Char('(') + s.stockCode.left(6) + QStringLiteral(")：");
    QString hk;
    QString ticker;
    switch (category) {
    case Company:
        return head + pickOne(rng, {
            y + QStringLiteral("年业绩预告点评：业绩符合预期"),
            s.theme + QStringLiteral("带动增长，维持\"") + s.recommendation + QStringLiteral("\"评级"),
            QStringLiteral("首次覆盖：") + s.theme + QStringLiteral("龙头，给予\"") + s.recommendation + QStringLiteral("\"评级"),
            QStringLiteral("三季报点评：毛利率\\净利率双升"),
            QStringLiteral("定增落地，开启'十三五'新征程"),
            QStringLiteral("深度报告——") + s.theme + QStringLiteral("空间广阔"),
            QStringLiteral("新股覆盖：") + s.theme + QStringLiteral("细分龙头"),
            QStringLiteral("调研纪要：经营稳健，订单饱满"),
            QStringLiteral("中小市值成长标的，受益于") + s.theme,
            QStringLiteral("年报点评：现金流改善，分红超预期"),
            QStringLiteral("事件点评：重大资产重组获批"),
        });
    case Industry:
        return s.industry + pickOne(rng, {
            QStringLiteral("行业周报：") + s.theme + QStringLiteral("持续推进"),
            QStringLiteral("行业") + y + QStringLiteral("年投资策略：把握\"") + s.theme + QStringLiteral("\"主线"),
            QStringLiteral("行业月报：景气度回升"),
            QStringLiteral("行业点评：") + s.theme + QStringLiteral("超预期"),
            QStringLiteral("行业深度：供需格局重塑"),
        });
    case Morning:
        return pickOne(rng, {QStringLiteral("晨会纪要(") + mmdd + QLatin1Char(')'),
                             QStringLiteral("早间资讯") + y + mmdd,
                             s.institution + QStringLiteral("晨报：市场聚焦") + s.theme});
    case Strategy:
        return pickOne(rng, {QStringLiteral("A股策略周报：") + s.theme + QStringLiteral("行情延续"),
                             QStringLiteral("中小盘策略：精选成长"),
                             QStringLiteral("中小创估值比较：分化加剧"),
                             QStringLiteral("沪港通周报：北上资金持续流入"),
                             QStringLiteral("深港通专题：标的梳理"),
                             QStringLiteral("新股申购策略：本周新股一览"),
                             QStringLiteral("IPO观察：发行节奏加快"),
                             y + QStringLiteral("年A股投资策略：稳中求进"),
                             QStringLiteral("策略周报：风格切换的'信号'")});
    case MacroChina:
        return pickOne(rng, {m + QStringLiteral("月CPI点评：通胀温和"), QStringLiteral("宏观周报：货币政策保持稳健"),
                             m + QStringLiteral("月PMI点评：制造业景气回升"), QStringLiteral("宏观专题：'十三五'规划解读"),
                             m + QStringLiteral("月金融数据点评：M2增速回落")});
    case MacroGlobal:
        return pickOne(rng, {QStringLiteral("美联储议息会议点评"), QStringLiteral("全球宏观周报：美元走强"),
                             QStringLiteral("欧洲央行政策点评"), QStringLiteral("全球宏观：\"特朗普交易\"回顾")});
    case Engineering:
        return pickOne(rng, {QStringLiteral("量化择时周报"), QStringLiteral("融资融券周报：两融余额回升"),
                             QStringLiteral("两融标的扩容点评"), QStringLiteral("股指期货周报：期指贴水收窄"),
                             QStringLiteral("期权市场周报：50ETF期权成交活跃"), QStringLiteral("金融期货月报"),
                             QStringLiteral("多因子选股月报")});
    case BShare:
        return pickOne(rng, {QStringLiteral("B股市场周报"), QStringLiteral("B股策略：折价修复")});
    case Otc:
        return pickOne(rng, {QStringLiteral("新三板周报：做市指数走势"), QStringLiteral("新三板公司点评：") + s.theme});
    case Fund:
        return pickOne(rng, {QStringLiteral("基金周报：权益类基金净值上涨"), QStringLiteral("ETF资金流向周报"),
                             QStringLiteral("分级基金周报")});
    case FixedIncome:
        return pickOne(rng, {QStringLiteral("固收周报：债市震荡"), QStringLiteral("国债期货周报：基差走阔"),
                             QStringLiteral("可转债周报：转债估值回落"), QStringLiteral("大类资产配置月报"),
                             QStringLiteral("信用债周报：信用利差收窄")});
    case HongKong:
        hk = NamePools::hongKongCompany(rng, &ticker);
        return pickOne(rng, {QStringLiteral("港股研究：") + hk + QLatin1Char('(') + ticker + QLatin1Char(')'),
                             QStringLiteral("港股新股IPO点评：") + hk, QStringLiteral("港股研究：AH溢价专题")});
    case HongKongMorning:
        return QStringLiteral("港股晨会(") + mmdd + QLatin1Char(')');
    case HongKongStrategy:
        return pickOne(rng, {QStringLiteral("港股策略：南下资金持续流入"), QStringLiteral("港股策略月报")});
    case HongKongIndustry:
        return QStringLiteral("港股") + s.industry + QStringLiteral("行业：") + s.theme;
    case HongKongCompany:
        hk = NamePools::hongKongCompany(rng, &ticker);
        return hk + QLatin1Char('(') + ticker + QStringLiteral(")：") +
               pickOne(rng, {QStringLiteral("业绩超预期"), QStringLiteral("维持\"买入\"评级")});
    case HongKongDerivative:
        return pickOne(rng, {QStringLiteral("港股衍生品周报：恒指期权"), QStringLiteral("期指期权周报")});
    case UnitedStates:
        return pickOne(rng, {QStringLiteral("美股研究：中概股财报季前瞻"), QStringLiteral("美股策略：关注") + s.theme});
    case Commodity:
    default:
        return pickOne(rng, {QStringLiteral("大宗商品周报：铜价震荡"), QStringLiteral("原油周报：库存下降"),
                             QStringLiteral("农产品周报：豆粕走强")});
    }
}

QString ReportTitles::encode(const QString &title)
{
    QString t = title;
    t.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    t.replace(QLatin1Char('\\'), QLatin1String("&#92;"));
    return t;
}

QString ReportTitles::decode(const QString &title)
{
    QString t = title;
    t.replace(QLatin1String("&quot;"), QLatin1String("\""));
    t.replace(QLatin1String("&#92;"), QLatin1String("\\"));
    return t;
}
