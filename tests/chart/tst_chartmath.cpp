#include "chartmath.h"

#include <QtTest>

namespace {

// One record per day from the first of January of year, all with the same close and factor.
QList<QPriceRecord> flatYear(int year, double close, int days = 3, double factor = 1)
{
    QList<QPriceRecord> records;
    for (int d = 0; d < days; ++d)
        records << QPriceRecord(QDate(year, 1, 1).addDays(d), close, close, close, close, 0, factor);
    return records;
}

} // namespace

class TestChartMath : public QObject
{
    Q_OBJECT

private slots:
    void zoomIn_data();
    void zoomIn();
    void zoomOut_data();
    void zoomOut();
    void yearProfitText();
    void peBounds_data();
    void peBounds();
    void peBoundsUseOnlyRecentYearsAndThePreviousYearsProfit();
    void peBoundsSkipInfiniteRatios();
    void gcdAndLcmGuardAgainstZero();
    void gridStep_data();
    void gridStep();
};

void TestChartMath::zoomIn_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QList<int>>("steps");
    QTest::newRow("200 down to 5 and stays") << 200 << QList<int>{100, 50, 20, 10, 5, 5};
    QTest::newRow("2000") << 2000 << QList<int>{1000, 500, 200};
    QTest::newRow("off the ladder stays") << 300 << QList<int>{300};
}

void TestChartMath::zoomIn()
{
    QFETCH(int, from);
    QFETCH(QList<int>, steps);
    int n = from;
    for (int expected : steps) {
        n = zoomedInDayCount(n);
        QCOMPARE(n, expected);
    }
}

void TestChartMath::zoomOut_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("records");
    QTest::addColumn<QList<int>>("steps");
    QTest::newRow("150 records leave 200") << 200 << 150 << QList<int>{200};
    QTest::newRow("1000 records up to 1000")
        << 5 << 1000 << QList<int>{10, 20, 50, 100, 200, 500, 1000, 1000};
    QTest::newRow("1001 records once more") << 1000 << 1001 << QList<int>{2000, 2000};
    QTest::newRow("300 records") << 200 << 300 << QList<int>{500, 500};
}

void TestChartMath::zoomOut()
{
    QFETCH(int, from);
    QFETCH(int, records);
    QFETCH(QList<int>, steps);
    int n = from;
    for (int expected : steps) {
        n = zoomedOutDayCount(n, records);
        QCOMPARE(n, expected);
    }
}

void TestChartMath::yearProfitText()
{
    const YearProfitTable table = YearProfitTable::parse(QStringLiteral(",2012[1500],,2013[1800],2013[9],2014[x]"));
    QCOMPARE(table.yearList(), QStringList({"2012", "2013", "2013", "2014"}));
    QCOMPARE(table.profit(2012), 1500.0);
    QCOMPARE(table.profit(2013), 1800.0); // the first item of a year wins
    QCOMPARE(table.profit(2014), 0.0);    // not a number
    QVERIFY(table.contains(2014));
    QVERIFY(!table.contains(2015));
    QCOMPARE(table.profit(2015), 0.0);
    QCOMPARE(YearProfitTable::parse(QString()).size(), 0);
}

void TestChartMath::peBounds_data()
{
    // With share 100, stock factor 1 and a profit of 100 for the year before, P/E = close.
    QTest::addColumn<QList<double>>("closes"); // one year each, from 2013 on
    QTest::addColumn<double>("stockFactor");
    QTest::addColumn<double>("share");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("min");
    QTest::newRow("12.7 to 31.2") << QList<double>{12.7, 31.2} << 1.0 << 100.0 << 27.0 << 12.0;
    QTest::newRow("12.7 to 14: span 9") << QList<double>{12.7, 14.0} << 1.0 << 100.0 << 21.0 << 12.0;
    QTest::newRow("10.2 to 80: span 45") << QList<double>{10.2, 80.0} << 1.0 << 100.0 << 55.0 << 10.0;
    QTest::newRow("k of exactly 45") << QList<double>{10.0, 55.0} << 1.0 << 100.0 << 55.0 << 10.0;
    QTest::newRow("k of 5 becomes 9") << QList<double>{10.0, 15.5} << 1.0 << 100.0 << 19.0 << 10.0;
    QTest::newRow("k of 10") << QList<double>{10.0, 20.5} << 1.0 << 100.0 << 20.0 << 10.0;
    QTest::newRow("min 49.9 keeps bands") << QList<double>{49.9, 60.0} << 1.0 << 100.0 << 59.0 << 49.0;
    QTest::newRow("min 50 drops them") << QList<double>{50.0, 60.0} << 1.0 << 100.0 << 0.0 << 0.0;
    QTest::newRow("min below 1: max untruncated") << QList<double>{0.5, 7.3} << 1.0 << 100.0 << 7.3 << 0.0;
    QTest::newRow("stock factor 0: no bands, no infinity") << QList<double>{12.7, 31.2} << 0.0 << 100.0 << 0.0 << 0.0;
    QTest::newRow("share 0") << QList<double>{12.7, 31.2} << 1.0 << 0.0 << 0.0 << 0.0;
}

void TestChartMath::peBounds()
{
    QFETCH(QList<double>, closes);
    QFETCH(double, stockFactor);
    QFETCH(double, share);
    QFETCH(double, max);
    QFETCH(double, min);
    QList<QPriceRecord> records;
    QStringList items;
    for (int i = 0; i < closes.size(); ++i) {
        records << flatYear(2013 + i, closes.at(i));
        items << QStringLiteral("%1[100]").arg(2012 + i);
    }
    const PeBounds b = computePeBounds(records, YearProfitTable::parse(items.join(',')), 2012, stockFactor, share);
    QVERIFY(std::isfinite(b.max) && std::isfinite(b.min));
    QCOMPARE(b.max, max);
    QCOMPARE(b.min, min);
}

void TestChartMath::peBoundsUseOnlyRecentYearsAndThePreviousYearsProfit()
{
    // 2010 (close 5) lies before the first year and would otherwise be the minimum; 2013 uses
    // 2012's profit of 50 (P/E 40), not its own (P/E 20).
    QList<QPriceRecord> records = flatYear(2010, 5) + flatYear(2013, 20);
    const YearProfitTable profits = YearProfitTable::parse(QStringLiteral("2009[100],2012[50],2013[100]"));
    const PeBounds b = computePeBounds(records, profits, 2011, 1, 100);
    QCOMPARE(b.min, 40.0);
    QCOMPARE(b.max, 49.0);
    // The day factor over the stock factor brings a close to the present basis.
    const PeBounds adjusted = computePeBounds(flatYear(2013, 20, 3, 2), profits, 2011, 4, 100);
    QCOMPARE(adjusted.min, 20.0);
}

void TestChartMath::peBoundsSkipInfiniteRatios()
{
    // A price out of all proportion gives an infinite P/E for 2014, which must not become the
    // maximum (it would turn into an undefined int).
    const QList<QPriceRecord> records = flatYear(2013, 12.7) + flatYear(2014, 1e308, 3, 10);
    const PeBounds b = computePeBounds(records, YearProfitTable::parse(QStringLiteral("2012[100],2013[100]")),
                                       2012, 1, 100);
    QCOMPARE(b.min, 12.0);
    QCOMPARE(b.max, 21.0);
}

void TestChartMath::gcdAndLcmGuardAgainstZero()
{
    QCOMPARE(chartGcd(12, 18), 6);
    QCOMPARE(chartGcd(7, 7), 7);
    QCOMPARE(chartLcm(200, 1141), qint64(228200));
    QCOMPARE(chartLcm(5000, 1800), qint64(45000));
    QCOMPARE(chartGcd(10, 0), 1);
    QCOMPARE(chartLcm(10, 0), qint64(0));
    QCOMPARE(chartLcm(10, -3), qint64(0));
}

void TestChartMath::gridStep_data()
{
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("bottom");
    QTest::addColumn<double>("step");
    QTest::newRow("12.5 to 10.1") << 12.5 << 10.1 << 0.5;
    QTest::newRow("tiny range") << 10.02 << 10.0 << 0.01;
    QTest::newRow("100 to 0") << 100.0 << 0.0 << 20.0;
    QTest::newRow("30 to 10") << 30.0 << 10.0 << 5.0;
}

void TestChartMath::gridStep()
{
    QFETCH(double, top);
    QFETCH(double, bottom);
    QFETCH(double, step);
    QCOMPARE(::gridStep(top, bottom), step);
}

QTEST_GUILESS_MAIN(TestChartMath)
#include "tst_chartmath.moc"
