#include "analystaward.h"
#include "defaultconfig.h"
#include "ratinglistrow.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// A row from "field=value;..." (dates as yyyy-MM-dd).
RatingListRow rowFrom(const QString &fields)
{
    RatingListRow r;
    const QHash<QString, double *> numbers = {
        {"lower", &r.tpLower},    {"upper", &r.tpUpper},       {"preLower", &r.preTpLower}, {"preUpper", &r.preTpUpper},
        {"ratio", &r.adjustRatio}, {"roomLower", &r.scopeLower}, {"roomUpper", &r.scopeUpper}, {"pub", &r.pricePub},
        {"epsLast", &r.epsLast},  {"epsNew", &r.epsNew},       {"eps1", &r.eps[0]},         {"preEps1", &r.preEps[0]},
        {"eps2", &r.eps[1]},      {"preEps2", &r.preEps[1]},   {"eps3", &r.eps[2]},         {"peLast", &r.peLast},
        {"peTtm", &r.peTtm},      {"change", &r.change},       {"perform", &r.performShort}};
    const QHash<QString, QString *> texts = {{"analysts", &r.analysts}, {"recomm", &r.recomm}, {"action", &r.action},
                                             {"stockName", &r.stockName}, {"stockCode", &r.stockCode},
                                             {"industry", &r.industry}, {"inst", &r.inst}, {"title", &r.title},
                                             {"type", &r.type}};
    const QHash<QString, int *> ints = {{"score", &r.score}, {"yearPassed", &r.yearPassed}, {"pages", &r.pageCount}};
    for (const QString &item : fields.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0), value = item.section(QLatin1Char('='), 1);
        if (numbers.contains(key))
            *numbers[key] = value.toDouble();
        else if (texts.contains(key))
            *texts[key] = value;
        else if (ints.contains(key))
            *ints[key] = value.toInt();
        else if (key == QLatin1String("publish"))
            r.publish = QDateTime(QDate::fromString(value, Qt::ISODate), QTime(9, 0));
        else if (key == QLatin1String("hasReport"))
            r.hasReport = true;
        else
            qFatal("unknown field %s", qPrintable(key));
    }
    return r;
}

using Text = std::function<QString(const RatingListRow &)>;

// The texts of one cell, its tool tip or colour after " | ".
const QHash<QString, Text> &cellTexts()
{
    static const QHash<QString, Text> texts = {
        {"target", [](const RatingListRow &r) { return r.targetHtml() + " | " + r.targetToolTip(); }},
        {"eps1", [](const RatingListRow &r) { return r.epsHtml(1) + " | " + r.epsToolTip(1); }},
        {"eps2", [](const RatingListRow &r) { return r.epsHtml(2) + " | " + r.epsToolTip(2); }},
        {"growth", [](const RatingListRow &r) { return r.cagrText() + " | " + r.pegText(); }},
        {"rating", [](const RatingListRow &r) { return r.ratingHtml() + " | " + r.ratingColor(false); }},
        {"old rating", [](const RatingListRow &r) { return r.ratingHtml() + " | " + r.ratingColor(true); }},
        {"perform",
         [](const RatingListRow &r) {
             return RatingListRow::performImage(r.performShort, 15) + " | " + RatingListRow::performText(r.performShort);
         }},
        {"price", &RatingListRow::pricePubText}, {"pe", &RatingListRow::peTtmText},
        {"date", &RatingListRow::dateText},      {"analysts", &RatingListRow::analystHtml},
        {"stock", &RatingListRow::stockHtml},    {"industry", &RatingListRow::industryText},
        {"pages", &RatingListRow::pageText},     {"change", &RatingListRow::changeText},
        {"file", &RatingListRow::fileName},      {"close", &RatingListRow::closeText},
        {"epsLast", &RatingListRow::epsLastText},
    };
    return texts;
}

QString room(const QString &text)
{
    return QStringLiteral("<br><font size='2' color='gray'>( ") + text + QStringLiteral(" )</font>");
}

} // namespace

class TestRatingListRow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        loadDefaultConfig();
        const QString award = m_dir.filePath("xcf.ini");
        QVERIFY(writeFile(award, "[2016]\n001=\"{\\\"cat\\\": \\\"x\\\", \\\"insts\\\": [{\\\"inst\\\": \\\"a\\\", "
                                 "\\\"medal\\\": 1, \\\"anls\\\": \\\"A[1001]\\\"}, {\\\"inst\\\": \\\"b\\\", "
                                 "\\\"medal\\\": 3, \\\"anls\\\": \\\"B[1003]\\\"}]}\"\n"));
        clearAnalystAwardTable();
        loadAnalystAwardTable(award);
    }

    void cells_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const char *fields, const char *cell, const QString &expected) {
            QTest::newRow(name) << QString(fields) << QString(cell) << expected;
        };
        // Targets: only the lower bounds are compared, against a complete previous target.
        row("one target, no previous", "lower=12.5;upper=12.5;ratio=1;roomLower=25.4;roomUpper=25.4", "target",
            "12.50" + room("25%") + " | ");
        row("range raised", "lower=10;upper=12;preLower=9;preUpper=11;ratio=1;roomLower=20.2;roomUpper=40.6", "target",
            "<font color='red'>10.00 ~ 12.00↑</font>" + room("20 ~ 41%") + " | 前值：9.00 ~ 11.00");
        row("adjusted and lowered", "lower=10;upper=12;preLower=11;preUpper=11;ratio=1.5;roomLower=1;roomUpper=2",
            "target", "<font color='darkgreen'>10.00 ~ 12.00(*)↓</font>" + room("1 ~ 2%") + " | 前值：11.00");
        row("same lower bound", "lower=10;upper=10;preLower=10;preUpper=12;roomLower=5;roomUpper=5", "target",
            "10.00 -" + room("5%") + " | 前值：10.00 ~ 12.00");
        row("previous upper 0: no mark", "lower=10;upper=10;preLower=8;roomLower=5;roomUpper=5", "target",
            "10.00" + room("5%") + " | 前值：8.00 ~ 0.00");
        row("only an upper bound", "upper=12;ratio=1;roomLower=-100;roomUpper=20", "target",
            "0.00 ~ 12.00" + room("-100 ~ 20%") + " | ");
        row("no target", "preLower=10;preUpper=10", "target", " | ");
        // "(*)" only once the price factor changed since the rating
        row("publication price plain", "pub=9.5;ratio=1", "price", "9.50");
        row("publication price adjusted since", "pub=9.5;ratio=1.2", "price", "9.50(*)");
        row("no publication price", "ratio=1.2", "price", "-");
        // Estimates; the first shows the reported figure once there is one.
        row("estimate raised", "epsLast=1;eps1=1.5;preEps1=1.4", "eps1", "<font color='red'>1.50↑</font> | 前值：1.400");
        row("estimate lowered", "epsLast=1;eps1=1.3;preEps1=1.4", "eps1",
            "<font color='darkgreen'>1.30↓</font> | 前值：1.400");
        row("no previous estimate", "epsLast=1;eps1=1.4", "eps1", "1.40 | ");
        row("estimate kept", "eps1=1.4;preEps1=1.4", "eps1", "1.40 - | 前值：1.400");
        row("no estimate", "preEps1=1.4", "eps1", "- | ");
        row("reported figure wins", "epsNew=0.88;eps1=1.5;preEps1=1.4", "eps1", "0.88 | ");
        row("later estimate ignores it", "epsNew=0.88;eps2=2;preEps2=2.5", "eps2",
            "<font color='darkgreen'>2.00↓</font> | 前值：2.500");
        // CAGR with the exponent 0.333 (1/3 would read 10.00 and 2.00); the PEG on the list year's P/E.
        row("growth", "epsLast=1;eps3=1.331;peLast=20;peTtm=30", "growth", "9.99 | 2.00");
        row("no last figure", "eps3=1.331;peLast=20", "growth", "- | -");
        row("no third estimate", "epsLast=1;peLast=20", "growth", "- | -");
        row("shrinking", "epsLast=2;eps3=1;peLast=20", "growth", "-20.61 | -");
        row("no P/E", "epsLast=1;eps3=1.331", "growth", "9.99 | -");
        row("P/E below 100 rounds up", "peTtm=99.96", "pe", "100.0");
        row("P/E 100", "peTtm=100", "pe", "100");
        row("P/E small", "peTtm=8.04", "pe", "8.0");
        row("P/E none", "", "pe", "-");
        row("P/E of a loss", "peTtm=-5", "pe", "-");
        row("newest entry's year", "publish=2016-12-30", "date", "12/30");
        row("year before", "publish=2016-12-30;yearPassed=1", "date", "16/12/30");
        // Analysts with their medals, escaped
        const QString link = QStringLiteral("<a style='color:gray; text-decoration:none;' href='%1'>%2</a>");
        row("gold, then none", "analysts=A[1001],C[1002]", "analysts",
            "&nbsp;<img src=':/images/gold.png'>" + link.arg("1001", "A") + "<font color='gray'>, </font>"
                + link.arg("1002", "C"));
        row("bronze", "analysts=B[1003]", "analysts", "&nbsp;<img src=':/images/bronze.png'>" + link.arg("1003", "B"));
        row("no brackets", "analysts=D", "analysts", "&nbsp;" + link.arg("", "D"));
        row("markup in names", "analysts=<b>x</b>[1'2]", "analysts",
            "&nbsp;" + link.arg("1&#39;2", "&lt;b&gt;x&lt;/b&gt;"));
        row("no analysts", "", "analysts", "");
        // Rating: its action mark and the score's colour, gray only when old
        row("strong buy, first", "score=5;action=I", "rating", "(*) | red");
        row("strong buy stays red when old", "score=5;action=U", "old rating", "(↑) | red");
        row("buy: no colour", "score=4;action=M", "rating", "(-) | ");
        row("buy, old", "score=4;action=D", "old rating", "(↓) | gray");
        row("hold", "score=3;action=X", "rating", "(-) | orange");
        row("sell", "score=2", "old rating", "(-) | green");
        row("strong sell", "score=1;action=I", "rating", "(*) | green");
        row("no score", "action=I", "rating", "(*) | ");
        row("rating escaped", "recomm=<i>买入</i>", "rating", "&lt;i&gt;买入&lt;/i&gt;(-) | ");
        row("stock escaped", "stockName=A&B<br>;stockCode=0'1", "stock",
            "A&amp;B&lt;br&gt;<br><font size='2' color='gray'>0&#39;1</font>");
        row("first industry", "industry=电气设备,机械", "industry", "电气设备");
        row("no first industry", "industry=,机械", "industry", ",机械");
        row("no pages", "", "pages", "-");
        row("pages", "pages=12", "pages", "12");
        row("change", "change=-3.24", "change", "-3.2");
        row("no change", "", "change", "-");
        row("no close", "", "close", "0.00");
        row("no last EPS", "", "epsLast", "-");
        row("performance at the threshold", "perform=15", "perform", "<img src=':/images/correct.png'> | 15.0%");
        row("performance below", "perform=14.99", "perform", "<img src=':/images/wrong.png'> | 15.0%");
        row("performance of a loss", "perform=-3", "perform", "<img src=':/images/wrong.png'> | -3.0%");
        row("no performance", "", "perform", " | ");
        // A rating whose report is not imported yet has no file of its own.
        row("no report yet", "inst=中信证券;publish=2017-01-06", "file", "");
        row("report", "inst=中信证券;publish=2017-01-06;hasReport;title=平安银行: 点评", "file",
            "中信证券-平安银行： 点评-20170106.pdf");
        row("report of another type", "inst=中信证券;publish=2017-01-06;hasReport;title=平安银行: 点评;type=DOCX", "file",
            "中信证券-平安银行： 点评-20170106.docx");
    }

    void cells()
    {
        QFETCH(QString, fields);
        QFETCH(QString, cell);
        QTEST(cellTexts().value(cell)(rowFrom(fields)), "expected");
    }
};

QTEST_MAIN(TestRatingListRow)
#include "tst_ratinglistrow.moc"
