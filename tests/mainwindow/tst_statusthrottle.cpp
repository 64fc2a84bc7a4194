// The status bar's texts from the update engine come hundreds a second; the bar shows them at
// most once per interval, and never loses the last one.

#include "statusthrottle.h"

#include <QLabel>
#include <QtTest>

class TestStatusThrottle : public QObject
{
    Q_OBJECT

private slots:
    void burstShowsFirstAndLast()
    {
        QLabel label;
        label.show();
        StatusThrottle throttle(75);
        QStringList shown;
        connect(&throttle, &StatusThrottle::show, &label, [&](const QString &text) {
            label.setText(text);
            shown << text;
        });
        // A burst with no event loop in between, as queued texts arrive while the GUI was busy.
        for (int i = 0; i < 1000; ++i)
            throttle.post(QStringLiteral("导入RPTMTH201601.DAT...%1%").arg(i));
        QCOMPARE(label.text(), QStringLiteral("导入RPTMTH201601.DAT...0%"));
        QTRY_COMPARE_WITH_TIMEOUT(label.text(), QStringLiteral("导入RPTMTH201601.DAT...999%"), 5000);
        QCOMPARE(shown.size(), 2);

        // After a quiet while a text shows at once; a final text after it still arrives.
        QTest::qWait(300);
        throttle.post(QStringLiteral("导入STK.DAT..."));
        QCOMPARE(label.text(), QStringLiteral("导入STK.DAT..."));
        throttle.post(QStringLiteral("数据更新完毕！"));
        QTRY_COMPARE_WITH_TIMEOUT(label.text(), QStringLiteral("数据更新完毕！"), 5000);
        QCOMPARE(shown.size(), 4);
    }

    // The held text shown at an interval's end opens a new interval: texts that arrive with it
    // (queued behind the timer's event) wait for that interval's end, so no two texts show in one
    // interval. Each text is posted from the show of the one before, so the check needs no clock.
    void heldTextOpensAnInterval()
    {
        StatusThrottle throttle(75);
        QStringList shown;
        QStringList atOnce; // texts shown within the post that brought them
        connect(&throttle, &StatusThrottle::show, this, [&](const QString &text) {
            shown << text;
            const int next = text.toInt() + 1;
            if (next > 4 || text == QLatin1String("0"))
                return;
            const int before = shown.size();
            throttle.post(QString::number(next));
            if (shown.size() != before)
                atOnce << QString::number(next);
        });
        throttle.post(QStringLiteral("0"));
        throttle.post(QStringLiteral("1"));
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 5, 5000);
        QCOMPARE(shown, (QStringList{"0", "1", "2", "3", "4"}));
        QVERIFY2(atOnce.isEmpty(), qPrintable("shown in the interval of the text before: " + atOnce.join(", ")));
    }
};

QTEST_MAIN(TestStatusThrottle)
#include "tst_statusthrottle.moc"
