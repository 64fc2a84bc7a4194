#include "hostilepackages.h"

#include "jsonrowwriter.h"

#include <QJsonObject>

QStringList HostilePackages::names()
{
    return {QStringLiteral("STKBAD.DAT"), QStringLiteral("ANLBAD.DAT"), QStringLiteral("RPTBAD.DAT"), QStringLiteral("RATBAD.DAT")};
}

QJsonArray HostilePackages::indexEntries(const QString &today)
{
    QJsonArray out;
    for (const QString &name : names())
        out.append(QJsonObject{{QStringLiteral("dt"), name}, {QStringLiteral("tM"), today + QStringLiteral(" 17:00:00")}});
    return out;
}

bool HostilePackages::text(const QString &name, const QString &today, QByteArray *json)
{
    const QString tM = today + QStringLiteral(" 17:00:00");
    JsonRowWriter w;
    if (name == QLatin1String("STKBAD.DAT")) {
        w.beginRow();
        w.text("cd", "699001.SH");
        w.text("nm", "O'Neil科技");
        w.text("sp", "O'NKJ");
        w.integer("qt", 0);
        w.text("pD", today);
        w.number("pC", 12.5, 2);
        w.number("pG", 0.1, 2);
        w.number("pF", 1, 2);
        w.text("sh", "1); DROP TABLE T_Stock; --");
        w.text("in", "电子");
        w.integer("pN", 0);
        w.text("pM", tM);
        w.text("b3010ttm", "0 OR 1=1");
        w.number("p5010ttm", 1000000, 0);
        w.text("tM", tM);
        w.endRow();
        w.beginRow();
        w.text("cd", "699002.SH");
        w.text("nm", "正常股份");
        w.text("sp", "ZCGF");
        w.integer("qt", 0);
        w.text("pD", today);
        w.number("pC", 8.8, 2);
        w.number("pG", -0.12, 2);
        w.number("pF", 1, 2);
        w.number("sh", 500000000, 0);
        w.text("in", "电子");
        w.integer("pN", 0);
        w.text("pM", tM);
        w.number("b3010ttm", 2000000000, 0);
        w.number("p5010ttm", 300000000, 0);
        w.text("tM", tM);
        w.endRow();
    } else if (name == QLatin1String("ANLBAD.DAT")) {
        w.beginRow();
        w.text("id", "9990 OR 1=1");
        w.text("nm", "D'Angelo");
        w.text("is", "Moody's");
        w.text("in", "电子");
        w.integer("mn", 12);
        w.text("ui", "1); DELETE FROM T_Analyst; --");
        w.integer("nw", 1);
        w.text("dt", today);
        w.text("tM", tM);
        w.endRow();
    } else if (name == QLatin1String("RPTBAD.DAT")) {
        w.beginRow();
        w.integer("id", 9000001);
        w.text("cd", "STK.COM@CN");
        w.integer("im", 0);
        w.integer("ex", 0);
        w.text("in", "电子");
        w.text("sc", "699001.SH");
        w.text("is", "Moody's");
        w.text("an", "O'Brien[9991]");
        w.text("tt", "O'Neil科技(699001)：It's a test, 'quoted' &quot;title&quot;");
        w.text("dP", today);
        w.text("pg", "1); DELETE FROM T_Report; --");
        w.text("tE", tM);
        w.text("ty", "PDF");
        w.text("tM", tM);
        w.integer("ms", 0);
        w.endRow();
        w.beginRow();
        w.text("id", "9000002 OR 1=1");
        w.text("cd", "STK.COM@CN");
        w.integer("im", 0);
        w.integer("ex", 0);
        w.text("in", "电子");
        w.text("sc", "699002.SH");
        w.text("is", "华信证券");
        w.text("an", "");
        w.text("tt", "注入测试");
        w.text("dP", today);
        w.integer("pg", 3);
        w.text("tE", tM);
        w.text("ty", "PDF");
        w.text("tM", tM);
        w.integer("ms", 0);
        w.endRow();
    } else if (name == QLatin1String("RATBAD.DAT")) {
        w.beginRow();
        w.text("cd", "699001.SH");
        w.text("is", "Moody's");
        w.text("an", "O'Brien[9991]");
        w.text("dP", today);
        w.text("rc", "买入");
        w.integer("sc", 5);
        w.text("ac", "I");
        w.text("pP", "12.5); DROP TABLE T_Rating; --");
        w.number("pF", 1, 2);
        w.text("pL", "0 OR 1=1");
        w.number("pU", 20, 2);
        w.null("fs");
        w.null("fm");
        w.integer("nw", 1);
        w.integer("id", 9000001);
        w.text("pr", "");
        w.text("tE", tM);
        w.text("tM", tM);
        w.endRow();
    } else {
        return false;
    }
    *json = w.finish();
    return true;
}
