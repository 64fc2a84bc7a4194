#include "dialogplacement.h"

#include <QtTest>

class TestDialogPlacement : public QObject
{
    Q_OBJECT

private slots:
    // A panel at the top or left moves the available area's origin; the dialog moves with it.
    void positions_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<int>("where");
        QTest::addColumn<QPoint>("position");
        const int centre = Qt::AlignCenter;
        const int topCentre = Qt::AlignTop | Qt::AlignHCenter;
        const int corner = Qt::AlignBottom | Qt::AlignRight;
        QTest::newRow("centre, top panel") << QRect(0, 30, 1920, 1040) << centre << QPoint(659, 459);
        QTest::newRow("centre, second screen") << QRect(1920, 0, 1280, 800) << centre << QPoint(1920 + 339, 309);
        QTest::newRow("centre, larger than the area") << QRect(0, 0, 600, 180) << centre << QPoint(0, 0);
        QTest::newRow("top centre, top panel") << QRect(0, 30, 1920, 1040) << topCentre << QPoint(659, 30);
        QTest::newRow("corner, left and top panels") << QRect(64, 30, 1856, 1010) << corner << QPoint(1319, 859);
    }

    void positions()
    {
        QFETCH(QRect, available);
        QFETCH(int, where);
        QFETCH(QPoint, position);
        QCOMPARE(placedPosition(available, QSize(601, 181), Qt::Alignment(where)), position);
    }
};

QTEST_MAIN(TestDialogPlacement)
#include "tst_dialogplacement.moc"
