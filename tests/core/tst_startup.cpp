#include "globalstate.h"
#include "startup.h"
#include "testfiles.h"

#include <QApplication>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void centredPosition_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("full hd") << QRect(0, 0, 1920, 1040) << QSize(1200, 801) << QPoint(360, 119);
        QTest::newRow("origin not added") << QRect(1920, 30, 1920, 1040) << QSize(1200, 801) << QPoint(360, 119);
        QTest::newRow("larger than the area") << QRect(0, 0, 800, 600) << QSize(1001, 701) << QPoint(-100, -50);
    }

    void centredPosition()
    {
        QFETCH(QRect, available);
        QFETCH(QSize, frame);
        QFETCH(QPoint, position);
        QCOMPARE(::centredPosition(available, frame), position);
    }

    // A font file that is not one falls back to the family list, whose first font must have the
    // Chinese glyphs, or every label shows boxes.
    void fallbackFont()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("font.ttc"), "not a font"));
        installAppFont(dir.path());
        QCOMPARE(getAppFont().families(), fallbackFontFamilies());
        QCOMPARE(fallbackFontFamilies().first(), QString("WenQuanYi Zen Hei"));
        QCOMPARE(QApplication::font().pointSize(), 11);
        const QFontMetrics metrics(getAppFont());
        for (const QChar c : QString("最新报告已运行相同程序"))
            QVERIFY2(metrics.inFont(c), qPrintable(QString(c)));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
