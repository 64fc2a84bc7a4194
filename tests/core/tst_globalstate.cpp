#include "globalstate.h"
#include "orderhistory.h"
#include "stockcache.h"
#include "stockstepping.h"

#include <QThread>
#include <QtTest>
#include <atomic>

namespace {

void clearHistory()
{
    while (getOrderHistoryCount() > 0)
        popOrderHistory();
}

// What the main window does for every list it shows.
void showList(const QString &request, int page, int limit)
{
    pushOrderHistory(request, page);
    if (getOrderHistoryCount() > limit)
        removeOldestOrderHistory();
}

QStringList codes(const char *text)
{
    return QString::fromLatin1(text).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

} // namespace

class TestGlobalState : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        clearHistory();
        clearCurrentStockList();
        setStockCodeListForTest({});
    }

    void historyPushUpdatesPageOfSameRequest()
    {
        const QString a = QStringLiteral(R"({"id":"RPT_NEW"})");
        const QString b = QStringLiteral(R"({"id":"RAT_NEW"})");
        pushOrderHistory(a, 0);
        QCOMPARE(getOrderHistoryCount(), 1);
        pushOrderHistory(a, 2);
        QCOMPARE(getOrderHistoryCount(), 1);
        QCOMPARE(getOrderHistoryTopPage(), 2);
        pushOrderHistory(a, 2);
        QCOMPARE(getOrderHistoryCount(), 1);
        pushOrderHistory(b, 0);
        QCOMPARE(getOrderHistoryCount(), 2);
        QCOMPARE(getOrderHistoryTop(), b);
        QCOMPARE(getOrderHistoryTopId(), QStringLiteral("RAT_NEW"));
        popOrderHistory();
        QCOMPARE(getOrderHistoryTop(), a);
        QCOMPARE(getOrderHistoryTopPage(), 2);
        // Only the newest entry is compared: an older equal text is pushed again.
        pushOrderHistory(b, 0);
        pushOrderHistory(a, 5);
        QCOMPARE(getOrderHistoryCount(), 3);
    }

    void emptyHistory()
    {
        QCOMPARE(getOrderHistoryCount(), 0);
        QCOMPARE(getOrderHistoryTop(), QString());
        QCOMPARE(getOrderHistoryTopPage(), 0);
        QCOMPARE(getOrderHistoryTopId(), QString());
        popOrderHistory();
        removeOldestOrderHistory();
        QCOMPARE(getOrderHistoryCount(), 0);
        // An empty text at page 0 matches the empty history and changes nothing.
        pushOrderHistory(QString(), 0);
        QCOMPARE(getOrderHistoryCount(), 0);
        pushOrderHistory(QString(), 3);
        QCOMPARE(getOrderHistoryCount(), 1);
        QCOMPARE(getOrderHistoryTopPage(), 3);
    }

    void historyIsBoundedByTheCaller_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("shown");
        QTest::addColumn<int>("kept");
        QTest::newRow("21 with limit 20") << 20 << 21 << 20;
        QTest::newRow("20 with limit 20") << 20 << 20 << 20;
        QTest::newRow("limit 0") << 0 << 3 << 0;
        QTest::newRow("limit 1") << 1 << 5 << 1;
    }

    void historyIsBoundedByTheCaller()
    {
        QFETCH(int, limit);
        QFETCH(int, shown);
        QFETCH(int, kept);
        for (int i = 0; i < shown; ++i)
            showList(QStringLiteral("{\"id\":\"L%1\"}").arg(i), 0, limit);
        QCOMPARE(getOrderHistoryCount(), kept);
        if (kept > 0) {
            QCOMPARE(getOrderHistoryTopId(), QStringLiteral("L%1").arg(shown - 1));
            popOrderHistory();
            for (int i = 1; i < kept; ++i)
                popOrderHistory();
            QCOMPARE(getOrderHistoryCount(), 0);
        }
    }

    void oldestIsRemovedFirst()
    {
        pushOrderHistory(QStringLiteral("A"), 1);
        pushOrderHistory(QStringLiteral("B"), 2);
        removeOldestOrderHistory();
        QCOMPARE(getOrderHistoryCount(), 1);
        QCOMPARE(getOrderHistoryTop(), QStringLiteral("B"));
        QCOMPARE(getOrderHistoryTopPage(), 2);
    }

    void stepping_data()
    {
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<QStringList>("cache");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("previous");
        QTest::addColumn<QString>("next");
        const QStringList abc = codes("A,B,C");
        const QStringList pqr = codes("P,Q,R");
        QTest::newRow("current: first wraps back") << abc << pqr << "A" << "C" << "B";
        QTest::newRow("current: last wraps forward") << abc << pqr << "C" << "B" << "A";
        QTest::newRow("current: middle") << abc << pqr << "B" << "A" << "C";
        QTest::newRow("current: single") << codes("A") << pqr << "A" << "A" << "A";
        QTest::newRow("current: first occurrence") << codes("A,B,A,C") << pqr << "A" << "C" << "B";
        QTest::newRow("cache: middle") << abc << pqr << "Q" << "P" << "R";
        QTest::newRow("cache: first does not wrap back") << abc << pqr << "P" << "P" << "Q";
        QTest::newRow("cache: last wraps forward") << abc << pqr << "R" << "Q" << "P";
        QTest::newRow("cache: unknown code") << abc << pqr << "X" << "P" << "P";
        QTest::newRow("cache: case matters") << QStringList() << pqr << "q" << "P" << "P";
        QTest::newRow("empty current list") << QStringList() << pqr << "Q" << "P" << "R";
        QTest::newRow("empty cache") << QStringList() << QStringList() << "Q" << "" << "";
        QTest::newRow("cache kept ascending") << QStringList() << codes("R,P,Q") << "P" << "P" << "Q";
    }

    void stepping()
    {
        QFETCH(QStringList, current);
        QFETCH(QStringList, cache);
        QFETCH(QString, code);
        QFETCH(QString, previous);
        QFETCH(QString, next);
        setCurrentStockList(current);
        setStockCodeListForTest(cache);
        QCOMPARE(getPreviousStockCode(code), previous);
        QCOMPARE(getNextStockCode(code), next);
    }

    void clearingTheCurrentListFallsBackToTheCache()
    {
        setCurrentStockList(codes("A,B"));
        setStockCodeListForTest(codes("A,B,C"));
        QCOMPARE(getNextStockCode(QStringLiteral("B")), QStringLiteral("A"));
        clearCurrentStockList();
        QVERIFY(getCurrentStockList().isEmpty());
        QCOMPARE(getNextStockCode(QStringLiteral("B")), QStringLiteral("C"));
    }

    void proxySwitch()
    {
        setProxy(QStringLiteral("h1"), 1, QStringLiteral("u1"), QStringLiteral("p1"));
        disableProxy();
        QCOMPARE(getProxyEnable(), 0);
        QCOMPARE(getProxyHost(), QStringLiteral("h1"));
        QCOMPARE(getProxyPort(), 1);
        QCOMPARE(getProxyUser(), QStringLiteral("u1"));
        QCOMPARE(getProxyPassword(), QStringLiteral("p1"));
        setProxy(QStringLiteral("h2"), 2, QStringLiteral("u2"), QStringLiteral("p2"));
        QCOMPARE(getProxyEnable(), 1);
        QCOMPARE(getProxyHost(), QStringLiteral("h2"));
        QCOMPARE(getProxyPort(), 2);
    }

    void colours()
    {
        QCOMPARE(getBaseColor(), QColor(255, 255, 255));
        QCOMPARE(getAlternateBaseColor(), QColor(245, 245, 245));
        QCOMPARE(getSortColumnColor(), QColor(255, 250, 205));
        QCOMPARE(getSortColumnColor().alpha(), 255);
    }

    void specialCharacters()
    {
        const QString chars = getSpecialChars();
        QCOMPARE(chars.size(), 31);
        QCOMPARE(chars.front(), QLatin1Char('~'));
        QCOMPARE(chars.back(), QLatin1Char('\''));
        const QByteArray expected = QByteArray::fromHex("7E21402324255E262A28295F2B603D7B7D7C5B5D5C3A223B3C3E3F2C2E2F27");
        QCOMPARE(chars.toLatin1(), expected);
        QVERIFY(!chars.contains(QLatin1Char('-')));
        QVERIFY(!chars.contains(QLatin1Char(' ')));
    }

    void startValues()
    {
        QCOMPARE(getExitFlag(), 1);
        QCOMPARE(getSessionId(), QString());
        QCOMPARE(getWebviewUrl(), QString());
        setSessionId(QStringLiteral("s1"));
        QCOMPARE(getSessionId(), QStringLiteral("s1"));
    }

    // The engine's thread reads these while the GUI thread changes them; every read must
    // see one of the values written whole.
    void crossThreadReadsSeeWholeValues()
    {
        const QString longHost = QString(200, QLatin1Char('h'));
        const QString shortHost = QStringLiteral("x");
        std::atomic<bool> stop{false};
        std::atomic<int> torn{0};
        QThread *reader = QThread::create([&]() {
            while (!stop.load()) {
                const QString host = getProxyHost();
                const QString session = getSessionId();
                const QStringList alerts = getAlertKinds();
                if (host != longHost && host != shortHost)
                    ++torn;
                if (!session.isEmpty() && session != QLatin1String("a") && session != QLatin1String("bb"))
                    ++torn;
                if (alerts.size() == 1 && alerts.first() != QLatin1String("RAT_ACT_INI"))
                    ++torn;
            }
        });
        setProxy(longHost, 1, QString(), QString());
        reader->start();
        for (int i = 0; i < 20000; ++i) {
            setProxy(i % 2 ? longHost : shortHost, i, QString(), QString());
            setSessionId(i % 2 ? QStringLiteral("a") : QStringLiteral("bb"));
            setAlertKinds(i % 2 ? QStringList{QStringLiteral("RAT_ACT_INI")} : QStringList{});
            setMessageShow(i % 2);
            setDataYear(2012 + i % 5);
        }
        stop = true;
        reader->wait();
        delete reader;
        QCOMPARE(torn.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestGlobalState)
#include "tst_globalstate.moc"
