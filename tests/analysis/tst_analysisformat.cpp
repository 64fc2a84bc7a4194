#include "analysisformat.h"
#include "consensuslistrow.h"

#include <QtTest>

class TestAnalysisFormat : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("price") << positiveText(12.345) << "12.35";
        QTest::newRow("no price") << positiveText(0) << "-";
        QTest::newRow("negative peg") << positiveText(-0.5) << "-";
        QTest::newRow("pe below 100") << ratioText(99.994) << "99.99";
        QTest::newRow("pe at 100") << ratioText(100) << "100";
        QTest::newRow("roe 123.6") << ratioText(123.6) << "124";
        QTest::newRow("loss pe") << ratioText(-3) << "-";
        QTest::newRow("growth") << growthText(-20.5) << "-20.50";
        QTest::newRow("growth 100") << growthText(100) << "100";
        QTest::newRow("growth -100") << growthText(-100) << "-100";
        QTest::newRow("no growth") << growthText(0) << "-";
        QTest::newRow("eps") << nonZeroText(-0.123) << "-0.12";
        QTest::newRow("no eps") << nonZeroText(0) << "-";
        QTest::newRow("first industry") << firstIndustry("银行,金融") << "银行";
        QTest::newRow("leading comma") << firstIndustry(",银行") << ",银行";
        QTest::newRow("range") << priceRangeText(12.5, 15) << "12.50 ~ 15.00";
        QTest::newRow("one price") << priceRangeText(12, 12) << "12.00";
        QTest::newRow("no range") << priceRangeText(0, 0) << "";
        QTest::newRow("escaped name") << stockNameHtml("A&'B", "1") << "A&amp;&#39;B<br><font size='2' color='gray'>1</font>";
        QTest::newRow("rise") << changeMarkedHtml("v", 2, 1) << "<font color='red'>v↑</font>";
        QTest::newRow("fall") << changeMarkedHtml("v", 1, 2) << "<font color='darkgreen'>v↓</font>";
        QTest::newRow("same") << changeMarkedHtml("v", 1, 1) << "v -";
        QTest::newRow("no previous") << changeMarkedHtml("v", 1, 0) << "v";
        QTest::newRow("none now") << changeMarkedHtml("v", 0, 1) << "v";
    }

    void texts()
    {
        QFETCH(QString, shown);
        QFETCH(QString, expected);
        QCOMPARE(shown, expected);
    }

    void paging_data()
    {
        QTest::addColumn<int>("viewport");
        QTest::addColumn<int>("rowHeight");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("lastPage");
        QTest::newRow("640 px of 32") << 640 << 32 << 45 << 20 << 2;
        QTest::newRow("two pages exactly") << 640 << 32 << 40 << 20 << 1;
        QTest::newRow("no records") << 640 << 32 << 0 << 20 << 0;
        QTest::newRow("shorter than a row") << 20 << 36 << 3 << 1 << 2;
        QTest::newRow("no height") << 0 << 36 << 1 << 1 << 0;
    }

    void paging()
    {
        QFETCH(int, viewport);
        QFETCH(int, rowHeight);
        QFETCH(int, records);
        QFETCH(int, rows);
        QFETCH(int, lastPage);
        QCOMPARE(rowsPerPage(viewport, rowHeight), rows);
        QCOMPARE(lastPageOf(records, rows), lastPage);
    }
};

QTEST_MAIN(TestAnalysisFormat)
#include "tst_analysisformat.moc"
