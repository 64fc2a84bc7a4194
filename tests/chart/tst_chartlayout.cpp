#include "chartlayout.h"
#include "qchart.h"

#include <QtTest>

Q_DECLARE_METATYPE(QList<QPriceRecord>)

namespace {

QList<QPriceRecord> dailyCloses(const QDate &first, const QList<double> &closes, double spread = 0.5)
{
    QList<QPriceRecord> records;
    for (int i = 0; i < closes.size(); ++i) {
        const double c = closes.at(i);
        records << QPriceRecord(first.addDays(i), c, c + spread, c - spread, c, 0, 1);
    }
    return records;
}

QList<QPriceRecord> everyDay(const QDate &first, int days)
{
    return dailyCloses(first, QVector<double>(days, 10.0).toList());
}

ChartLayout layoutOf(const QList<QPriceRecord> &records, const QSize &size, int visibleDays = 200)
{
    ChartInput in;
    in.records = &records;
    in.visibleDays = visibleDays;
    in.size = size;
    in.ratingDays = {QDate(2014, 7, 15).toJulianDay()};
    return ChartLayout::compute(in);
}

void sendTo(QWidget *w, QEvent::Type type, const QPoint &pos = QPoint())
{
    if (type != QEvent::MouseMove) {
        QEvent e(type);
        QApplication::sendEvent(w, &e);
        return;
    }
    QMouseEvent move(QEvent::MouseMove, pos, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

// 4 records in a plot 400 x 200 pixels: one logical unit is one pixel, slots are 100 wide.
const QSize kUnitSize(459, 243);
// Closes 10 to 13 from the 13th; the mark of the 15th (close 12) has its apex at 98 percent of
// the close: plot (250, 87), widget (307, 107).
const QList<QPriceRecord> kMarked = dailyCloses(QDate(2014, 7, 13), {10, 11, 12, 13});

} // namespace

class TestChartLayout : public QObject
{
    Q_OBJECT

private slots:
    void guardsAndPaintingWithoutCrash_data()
    {
        QTest::addColumn<QList<QPriceRecord>>("records");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("plotted");
        const QList<QPriceRecord> flat = dailyCloses(QDate(2014, 1, 1), {10, 10, 10}, 0);
        const QList<QPriceRecord> odd = dailyCloses(QDate(2014, 1, 1), {10, 0, 12, -1});
        QTest::newRow("no records") << QList<QPriceRecord>() << QSize(400, 300) << false;
        QTest::newRow("1x1") << kMarked << QSize(1, 1) << false;
        QTest::newRow("59 wide: no plot width") << kMarked << QSize(59, 300) << false;
        QTest::newRow("60 wide") << kMarked << QSize(60, 300) << true;
        QTest::newRow("42 high: no plot height") << kMarked << QSize(400, 43) << false;
        QTest::newRow("flat at 60x44") << flat << QSize(60, 44) << true;
        QTest::newRow("one flat record") << flat.mid(0, 1) << QSize(400, 300) << true;
        QTest::newRow("no price above 0") << dailyCloses(QDate(2014, 1, 1), {0, 0}, 0) << QSize(400, 300) << false;
        QTest::newRow("zero and negative closes") << odd << QSize(640, 480) << true;
        QTest::newRow("zero and negative closes, tiny") << odd << QSize(61, 50) << true;
    }

    void guardsAndPaintingWithoutCrash()
    {
        QFETCH(QList<QPriceRecord>, records);
        QFETCH(QSize, size);
        const ChartLayout l = layoutOf(records, size);
        QTEST(l.plotted, "plotted");
        if (l.plotted) {
            QVERIFY(l.topPrice > l.bottomPrice);
            QVERIFY(std::isfinite(l.scale) && l.scale > 0);
            for (const ChartLayout::Slot &d : l.days)
                QVERIFY(std::isfinite(l.toPlot(d.x, d.y).y()));
        }
        QChart chart;
        chart.resize(size);
        chart.setBandVisible(true);
        chart.setData(QStringLiteral("600000.SH"), records, {QStringLiteral("20140101")}, QStringLiteral("2013[100]"));
        QImage image(size, QImage::Format_ARGB32);
        image.fill(Qt::black);
        chart.render(&image);
        sendTo(&chart, QEvent::Enter);
        sendTo(&chart, QEvent::MouseMove, QPoint(size.width() / 2, size.height() / 2));
        chart.render(&image);
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
    }

    // Prices are adjusted to the newest day's factor: a day at factor 1 before a split that
    // doubled the factor shows half its stored close. 20 at factor 1 and 10 at factor 2 are the
    // same adjusted price, so the close line runs level between them; 12 at factor 2 lies above.
    void pricesAdjustedToTheNewestFactor()
    {
        const QList<QPriceRecord> records{QPriceRecord(QDate(2014, 7, 14), 20, 21, 19, 20, 0, 1),
                                          QPriceRecord(QDate(2014, 7, 15), 10, 10.5, 9.5, 10, 0, 2),
                                          QPriceRecord(QDate(2014, 7, 16), 12, 12.5, 11.5, 12, 0, 2)};
        const ChartLayout l = layoutOf(records, kUnitSize);
        QCOMPARE(l.topPrice, 12.5);
        QCOMPARE(l.bottomPrice, 9.5);
        QCOMPARE(QList<double>({l.days[0].close, l.days[1].close, l.days[2].close}), QList<double>({10, 10, 12}));

        // The painted line: the height of the cornflower pixels in the column of each day.
        QChart chart;
        chart.resize(kUnitSize);
        chart.setData(QString(), records, {}, QString());
        const QImage image = chart.grab().toImage();
        QList<int> heights;
        for (const ChartLayout::Slot &day : l.days) {
            const int x = ChartLayout::kOriginX + int(l.toPlot(day.x, day.y).x());
            int sum = 0, count = 0;
            for (int y = 0; y < image.height(); ++y) {
                if (image.pixelColor(x, y) == QColor(100, 149, 237)) {
                    sum += y;
                    ++count;
                }
            }
            QVERIFY2(count > 0, qPrintable(QStringLiteral("no line at x %1").arg(x)));
            heights << sum / count;
        }
        QVERIFY2(qAbs(heights[0] - heights[1]) <= 1 && heights[2] < heights[1] - 20,
                 qPrintable(QStringLiteral("line heights %1, %2, %3").arg(heights[0]).arg(heights[1]).arg(heights[2])));
    }

    void farBandPointsStayInRange()
    {
        // A tiny share count puts the band prices billions of pixels away: they are clamped, not
        // wrapped around by an int overflow.
        const QList<QPriceRecord> records = dailyCloses(QDate(2014, 12, 30), {10, 11, 12});
        ChartInput in;
        in.records = &records;
        in.size = QSize(800, 600);
        in.bands = true;
        in.pe = {20, 10};
        in.share = 1e-9;
        in.profits = YearProfitTable::parse(QStringLiteral("2013[100],2014[100],2015[100]"));
        in.firstBandYear = 2020; // keeps the range from being widened
        const ChartLayout l = ChartLayout::compute(in);
        QCOMPARE(l.bands.size(), 4);
        QCOMPARE(l.bands[0].size(), 2); // the newest day and the last day of 2014
        for (const QVector<QPointF> &band : l.bands) {
            for (const QPointF &p : band)
                QVERIFY2(p.y() < -90000 && p.y() >= -100001, qPrintable(QString::number(p.y())));
        }
        QCOMPARE(l.bandPe, QVector<double>({20, 20 - 10.0 / 3, 10 + 10.0 / 3, 10}));
    }

    // A band point sits at each shown year's newest day, at P/E x that year's own profit (for the
    // current year the chart window hands over the estimate); it needs the year before in the
    // table, as the P/E bounds do. The range widens with the year before's profit only.
    void bandPointsUseTheirYearsProfit_data()
    {
        QTest::addColumn<QString>("profits");
        QTest::addColumn<QList<QPointF>>("points"); // the P/E 20 band's, newest first: x and price
        const QPointF newest2015(350, 60), last2014(150, 40);
        QTest::newRow("every year") << "2013[100],2014[200],2015[300]" << QList<QPointF>{newest2015, last2014};
        QTest::newRow("no profit of the newest year") << "2013[100],2014[200]" << QList<QPointF>{last2014};
        QTest::newRow("no year before the older one") << "2014[200],2015[300]" << QList<QPointF>{newest2015};
    }

    void bandPointsUseTheirYearsProfit()
    {
        QFETCH(QString, profits);
        QFETCH(QList<QPointF>, points);
        const QList<QPriceRecord> records = dailyCloses(QDate(2014, 12, 30), {10, 11, 12, 13});
        ChartInput in;
        in.records = &records;
        in.size = kUnitSize;
        in.bands = true;
        in.pe = {20, 10};
        in.share = 100;
        in.profits = YearProfitTable::parse(profits);
        in.firstBandYear = 2012;
        const ChartLayout l = ChartLayout::compute(in);
        QCOMPARE(l.scale, 1.0);
        QCOMPARE(l.topPrice, 40.0); // 20 x 200 / 100, from 2014's profit for the days of 2015
        QStringList shown, expected;
        for (const QPointF &p : l.bands.value(0))
            shown << QString("%1,%2").arg(p.x()).arg(p.y());
        for (const QPointF &p : points)
            expected << QString("%1,%2").arg(p.x()).arg(qint64(l.priceY(p.y())));
        QCOMPARE(shown, expected);
    }

    void gridBetweenTopAndBottom()
    {
        const QList<QPriceRecord> records{QPriceRecord(QDate(2014, 7, 14), 11, 12.5, 10.1, 11, 0, 1),
                                          QPriceRecord(QDate(2014, 7, 15), 11, 12.0, 11.0, 11.5, 0, 1)};
        const ChartLayout l = layoutOf(records, QSize(600, 400));
        QCOMPARE(l.topPrice, 12.5);
        QCOMPARE(l.bottomPrice, 10.1);
        QStringList prices;
        for (const ChartLayout::GridLine &g : l.grid)
            prices << QString::number(g.price, 'f', 2);
        QCOMPARE(prices, QStringList({"10.50", "11.00", "11.50", "12.00"}));
    }

    void slotsAndReadout()
    {
        const QList<QPriceRecord> records = everyDay(QDate(2014, 1, 1), 4);
        ChartLayout l = layoutOf(records, kUnitSize);
        QCOMPARE(l.step, qint64(100));
        QCOMPARE(l.days[3].x, qint64(350));
        const QList<int> found{l.slotAt(QPoint(57 + 50, 100)), l.slotAt(QPoint(57 + 149, 100)),
                               l.slotAt(QPoint(57 + 400, 100)), l.slotAt(QPoint(55, 100)), l.slotAt(QPoint(459, 100))};
        QCOMPARE(found, QList<int>({0, 1, 3, -1, -1})); // the last two on the axis and right of the widget
        l = layoutOf(records, kUnitSize, 2); // only the newest two, oldest on the left
        QCOMPARE(l.shown, 2);
        QCOMPARE(l.days[0].date, QDate(2014, 1, 3));
        QCOMPARE(l.step, qint64(200));
    }

    void monthLabels_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<int>("days");
        QTest::addColumn<int>("visible");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("1000: years at January") << QDate(2013, 6, 1) << 700 << 1000 << QStringList{"2015", "2014"};
        QTest::newRow("500: January and July") << QDate(2013, 6, 1) << 500 << 500
                                               << QStringList{"2014/7", "2014/1", "2013/7"};
        QTest::newRow("200: quarters, not the oldest month") << QDate(2014, 1, 1) << 200 << 200
                                                             << QStringList{"2014/7", "2014/4"};
        QTest::newRow("below 200: every month") << QDate(2014, 3, 20) << 60 << 100 << QStringList{"2014/5", "2014/4"};
    }

    void monthLabels()
    {
        QFETCH(QDate, first);
        QFETCH(int, days);
        QFETCH(int, visible);
        QStringList texts;
        for (const ChartLayout::MonthLabel &m : layoutOf(everyDay(first, days), QSize(1200, 500), visible).months)
            texts << m.text;
        QTEST(texts, "labels");
    }

    void markHitBox()
    {
        const ChartLayout l = layoutOf(kMarked, kUnitSize);
        QCOMPARE(l.marks.size(), 1);
        // The apex, 6 right and 6 below, 6 left; 7 right, above the apex, 7 below.
        QList<bool> hits;
        for (const QPoint &p : {QPoint(307, 107), QPoint(313, 113), QPoint(301, 110), QPoint(314, 107),
                                QPoint(307, 106), QPoint(307, 114)})
            hits << (l.marksAt(p) == QVector<QDate>{QDate(2014, 7, 15)});
        QCOMPARE(hits, QList<bool>({true, true, true, false, false, false}));
    }

    void markSignalIsQueuedOnMouseMove()
    {
        QChart chart;
        chart.resize(kUnitSize);
        chart.setData(QString(), kMarked, {QStringLiteral("20140715")}, QString());
        QSignalSpy spy(&chart, &QChart::mouseEnterRatingSignal);
        sendTo(&chart, QEvent::Enter);
        sendTo(&chart, QEvent::MouseMove, QPoint(309, 110));
        QCOMPARE(spy.count(), 0); // not from inside the event handler
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("2014-07-15"));
        sendTo(&chart, QEvent::MouseMove, QPoint(310, 111)); // every move over the mark asks again
        QTRY_COMPARE(spy.count(), 2);
        sendTo(&chart, QEvent::MouseMove, QPoint(200, 110));
        sendTo(&chart, QEvent::Leave);
        sendTo(&chart, QEvent::MouseMove, QPoint(309, 110)); // without hover nothing is reported
        QTest::qWait(20);
        QCOMPARE(spy.count(), 2);
    }
};

QTEST_MAIN(TestChartLayout)
#include "tst_chartlayout.moc"
