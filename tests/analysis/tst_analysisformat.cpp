#include "analysisformat.h"
#include "consensuslistrow.h"

#include <QtTest>

class TestAnalysisFormat : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("price") << "positive" << 12.345 << "12.35";
        QTest::newRow("no price") << "positive" << 0.0 << "-";
        QTest::newRow("negative peg") << "positive" << -0.5 << "-";
        QTest::newRow("pe below 100") << "ratio" << 12.5 << "12.50";
        QTest::newRow("pe from 100") << "ratio" << 123.4 << "123";
        QTest::newRow("roe 123.6") << "ratio" << 123.6 << "124";
        QTest::newRow("pe at 100") << "ratio" << 100.0 << "100";
        QTest::newRow("loss pe") << "ratio" << -3.0 << "-";
        QTest::newRow("growth") << "growth" << -20.5 << "-20.50";
        QTest::newRow("growth -150.2") << "growth" << -150.2 << "-150";
        QTest::newRow("growth 100") << "growth" << 100.0 << "100";
        QTest::newRow("growth -100") << "growth" << -100.0 << "-100";
        QTest::newRow("no growth") << "growth" << 0.0 << "-";
        QTest::newRow("eps") << "nonzero" << -0.123 << "-0.12";
        QTest::newRow("no eps") << "nonzero" << 0.0 << "-";
    }

    void numbers()
    {
        QFETCH(QString, rule);
        QFETCH(double, value);
        QFETCH(QString, text);
        const QString shown = rule == "positive" ? positiveText(value)
                              : rule == "ratio"  ? ratioText(value)
                              : rule == "growth" ? growthText(value)
                                                 : nonZeroText(value);
        QCOMPARE(shown, text);
    }

    void industryIsTheFirst_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one") << "银行" << "银行";
        QTest::newRow("two") << "银行,金融" << "银行";
        QTest::newRow("leading comma") << ",银行" << ",银行";
        QTest::newRow("empty") << "" << "";
    }

    void industryIsTheFirst()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QCOMPARE(firstIndustry(stored), shown);
    }

    void paging_data()
    {
        QTest::addColumn<int>("viewport");
        QTest::addColumn<int>("rowHeight");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("lastPage");
        QTest::newRow("640 px of 32") << 640 << 32 << 45 << 20 << 2;
        QTest::newRow("40 records") << 640 << 32 << 40 << 20 << 1;
        QTest::newRow("no records") << 640 << 32 << 0 << 20 << 0;
        QTest::newRow("quote example") << 18 * 35 + 34 << 35 << 40 << 18 << 2;
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

    void marksAndRanges_data()
    {
        QTest::addColumn<double>("today");
        QTest::addColumn<double>("last");
        QTest::addColumn<QString>("html");
        QTest::newRow("rise") << 2.0 << 1.0 << "<font color='red'>v↑</font>";
        QTest::newRow("fall") << 1.0 << 2.0 << "<font color='darkgreen'>v↓</font>";
        QTest::newRow("same") << 1.0 << 1.0 << "v -";
        QTest::newRow("no previous") << 1.0 << 0.0 << "v";
        QTest::newRow("none now") << 0.0 << 1.0 << "v";
    }

    void marksAndRanges()
    {
        QFETCH(double, today);
        QFETCH(double, last);
        QFETCH(QString, html);
        QCOMPARE(changeMarkedHtml("v", today, last), html);
    }

    void priceRanges()
    {
        QCOMPARE(priceRangeText(12.5, 15), QStringLiteral("12.50 ~ 15.00"));
        QCOMPARE(priceRangeText(12, 12), QStringLiteral("12.00"));
        QCOMPARE(priceRangeText(0, 0), QString());
        QCOMPARE(stockNameHtml("A&'B", "1"), QStringLiteral("A&amp;&#39;B<br><font size='2' color='gray'>1</font>"));
    }
};

QTEST_MAIN(TestAnalysisFormat)
#include "tst_analysisformat.moc"
