#include "chartmath.h"

#include <QtTest>

class TestChartMath : public QObject
{
    Q_OBJECT

private slots:
    void zoom_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("records"); // 0: zoom in, else zoom out over that many records
        QTest::addColumn<QList<int>>("steps");
        QTest::newRow("in: 200 down to 5 and stays") << 200 << 0 << QList<int>{100, 50, 20, 10, 5, 5};
        QTest::newRow("in: 2000") << 2000 << 0 << QList<int>{1000, 500};
        QTest::newRow("in: off the ladder stays") << 300 << 0 << QList<int>{300};
        QTest::newRow("out: 150 records leave 200") << 200 << 150 << QList<int>{200};
        QTest::newRow("out: up to 1000") << 5 << 1000 << QList<int>{10, 20, 50, 100, 200, 500, 1000, 1000};
        QTest::newRow("out: 1001 records once more") << 1000 << 1001 << QList<int>{2000, 2000};
    }

    void zoom()
    {
        QFETCH(int, from);
        QFETCH(int, records);
        QFETCH(QList<int>, steps);
        for (int expected : steps) {
            from = records ? zoomedOutDayCount(from, records) : zoomedInDayCount(from);
            QCOMPARE(from, expected);
        }
    }

    void yearProfitText()
    {
        const YearProfitTable t = YearProfitTable::parse(QStringLiteral(",2012[1500],,2013[1800],2013[9],2014[x]"));
        QCOMPARE(t.yearList(), QStringList({"2012", "2013", "2013", "2014"}));
        // The first item of a year wins; not a number is 0.
        QCOMPARE(QList<double>({t.profit(2012), t.profit(2013), t.profit(2014), t.profit(2015)}),
                 QList<double>({1500, 1800, 0, 0}));
        QVERIFY(t.contains(2014) && !t.contains(2015));
    }

    void peBounds_data()
    {
        // Day factor 2 over stock factor 4, share 200 and a profit of 100 the year before: P/E = close.
        QTest::addColumn<QList<double>>("closes"); // one year each, from 2013 on
        QTest::addColumn<QString>("profits");      // empty: 100 for every year before
        QTest::addColumn<int>("firstYear");
        QTest::addColumn<double>("stockFactor");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("min");
        QTest::newRow("12.7 to 31.2") << QList<double>{12.7, 31.2} << "" << 2012 << 4.0 << 27.0 << 12.0;
        QTest::newRow("span 9 at least") << QList<double>{12.7, 14.0} << "" << 2012 << 4.0 << 21.0 << 12.0;
        QTest::newRow("span 45 at most") << QList<double>{10.2, 80.0} << "" << 2012 << 4.0 << 55.0 << 10.0;
        QTest::newRow("k of 5 becomes 9") << QList<double>{10.0, 15.5} << "" << 2012 << 4.0 << 19.0 << 10.0;
        QTest::newRow("k of 10") << QList<double>{10.0, 20.5} << "" << 2012 << 4.0 << 20.0 << 10.0;
        QTest::newRow("min 49.9 keeps bands") << QList<double>{49.9, 60.0} << "" << 2012 << 4.0 << 59.0 << 49.0;
        QTest::newRow("min 50 drops them") << QList<double>{50.0, 60.0} << "" << 2012 << 4.0 << 0.0 << 0.0;
        QTest::newRow("min below 1: max untruncated") << QList<double>{0.5, 7.3} << "" << 2012 << 4.0 << 7.3 << 0.0;
        QTest::newRow("stock factor 0: no bands") << QList<double>{12.7, 31.2} << "" << 2012 << 0.0 << 0.0 << 0.0;
        QTest::newRow("infinite P/E skipped") << QList<double>{12.7, 1e308} << "" << 2012 << 4.0 << 21.0 << 12.0;
        // 2013 (P/E 5) lies before the first year; 2014 uses 2013's profit of 50, not its own.
        QTest::newRow("recent years, profit of the year before")
            << QList<double>{5, 20} << "2012[100],2013[50],2014[100]" << 2014 << 4.0 << 49.0 << 40.0;
    }

    void peBounds()
    {
        QFETCH(QList<double>, closes);
        QFETCH(QString, profits);
        QFETCH(int, firstYear);
        QFETCH(double, stockFactor);
        QList<QPriceRecord> records;
        QStringList items;
        for (int i = 0; i < closes.size(); ++i) {
            for (int d = 0; d < 3; ++d) {
                const double c = closes.at(i);
                records << QPriceRecord(QDate(2013 + i, 1, 1).addDays(d), c, c, c, c, 0, 2);
            }
            items << QStringLiteral("%1[100]").arg(2012 + i);
        }
        const PeBounds b = computePeBounds(records, YearProfitTable::parse(profits.isEmpty() ? items.join(',') : profits),
                                           firstYear, stockFactor, 200);
        QVERIFY(std::isfinite(b.max) && std::isfinite(b.min));
        QTEST(b.max, "max");
        QTEST(b.min, "min");
    }

    void gcdAndLcmGuardAgainstZero()
    {
        QCOMPARE(chartGcd(12, 18), 6);
        QCOMPARE(chartLcm(5000, 1800), qint64(45000));
        QCOMPARE(chartGcd(10, 0), 1);
        QCOMPARE(chartLcm(10, 0), qint64(0));
        QCOMPARE(chartLcm(10, -3), qint64(0));
    }

    void gridStep()
    {
        const QList<QVector<double>> cases{{12.5, 10.1, 0.5}, {10.02, 10.0, 0.01}, {100, 0, 20}, {30, 10, 5}};
        for (const QVector<double> &c : cases)
            QCOMPARE(::gridStep(c[0], c[1]), c[2]);
    }
};

QTEST_GUILESS_MAIN(TestChartMath)
#include "tst_chartmath.moc"
