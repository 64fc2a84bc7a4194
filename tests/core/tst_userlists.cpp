#include "globalstate.h"
#include "userlists.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <limits>
#include <memory>

namespace {

constexpr qint64 kAnyStamp = std::numeric_limits<qint64>::max();

// Empties the store through its own operations.
void resetStore()
{
    for (const QString &name : getFavoriteNameList())
        deleteFavorite(name);
    for (const QString &name : getBlockNameList())
        deleteBlock(name);
    for (const QString &name : getSubscribeNameList())
        deleteSubscribe(name);
    for (const QString &name : getConcernedInstList())
        removeFromConcernedInstList(name);
    for (const QString &uid : getConcernedAnalystList())
        removeFromConcernedAnalystList(uid);
    for (const QString &code : getPortfolioList())
        removeFromPortfolioList(code);
    setMaskedInstList(QString());
    setAlertKinds({});
    clearConcernedInstModified(kAnyStamp);
    clearConcernedAnalystModified(kAnyStamp);
    clearReportSubscribeModified(kAnyStamp);
    clearReportFavoriteModified(kAnyStamp);
    clearStockBlockModified(kAnyStamp);
    clearPortfolioModified(kAnyStamp);
}

QStringList list(const QString &text)
{
    return text.split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

QString build(const QString &kind)
{
    if (kind == QLatin1String("fav"))
        return buildFavoriteUploadText();
    if (kind == QLatin1String("blk"))
        return buildBlockUploadText();
    return buildSubscribeUploadText();
}

template<typename F>
std::unique_ptr<QThread> startThread(F work)
{
    std::unique_ptr<QThread> thread(QThread::create(work));
    thread->start();
    return thread;
}

} // namespace

class TestUserLists : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetStore(); }

    void namedUploadBodies_data();
    void namedUploadBodies();
    void valuesWithQuotesStayValidJson();
    void instAndAnalystBodies();

    void clearKeepsANewerStamp();
    void stampsFollowEveryNewChange();
    void stampingRules();
    void unchangedListsKeepTheirStamp();

    void simpleLists();
    void alertKinds();
    void namedListRules();
    void emptyPartsAreDropped();
    void renameToAnExistingName();

    void concurrentEditsKeepEveryItem();
    void uploadsNeverLoseAnEdit();
};

void TestUserLists::namedUploadBodies_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("body");

    QTest::newRow("no favourites") << "fav" << QStringList() << QStringList() << "[]";
    QTest::newRow("no blocks") << "blk" << QStringList() << QStringList() << "[]";
    QTest::newRow("no subscriptions") << "sub" << QStringList() << QStringList() << "[]";
    QTest::newRow("one favourite") << "fav" << list("f1") << list("101,102")
                                   << R"([{"nam":"f1","lst":"101,102"}])";
    QTest::newRow("blank and Chinese") << "fav" << QStringList{QStringLiteral(" 股")} << list("7")
                                       << R"([{"nam":"%20%E8%82%A1","lst":"7"}])";
    QTest::newRow("two Chinese characters") << "blk" << QStringList{QStringLiteral("银行")}
                                            << list("600000.SH")
                                            << R"([{"nam":"%E9%93%B6%E8%A1%8C","lst":"600000.SH"}])";
    QTest::newRow("unreserved stay, the rest is encoded")
        << "blk" << QStringList{QStringLiteral("a-b._~(1)+&")} << QStringList{QString()}
        << R"([{"nam":"a-b._~%281%29%2B%26","lst":""}])";
    QTest::newRow("several blocks in stored order")
        << "blk" << list("b2|b1|b3") << list("600000.SH,000001.SZ|000002.SZ|300001.SZ")
        << R"([{"nam":"b2","lst":"600000.SH,000001.SZ"},{"nam":"b1","lst":"000002.SZ"},{"nam":"b3","lst":"300001.SZ"}])";
    QTest::newRow("subscriptions use cnt")
        << "sub" << QStringList{QStringLiteral("订阅"), QStringLiteral("s2")}
        << list("%7B%22ttl%22%3A%22%E9%93%B6%E8%A1%8C%22%7D|%7B%7D")
        << R"([{"nam":"%E8%AE%A2%E9%98%85","cnt":"%7B%22ttl%22%3A%22%E9%93%B6%E8%A1%8C%22%7D"},{"nam":"s2","cnt":"%7B%7D"}])";
}

void TestUserLists::namedUploadBodies()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, names);
    QFETCH(QStringList, values);
    QFETCH(QString, body);
    for (int i = 0; i < names.size(); ++i) {
        const QString value = values.value(i);
        if (kind == QLatin1String("fav"))
            QVERIFY(addFavoriteReport(names.at(i), value, false));
        else if (kind == QLatin1String("blk"))
            QVERIFY(addBlockStock(names.at(i), value, false));
        else
            QVERIFY(addSubscribe(names.at(i), value, false));
    }
    QCOMPARE(build(kind), body);
    QVERIFY(!QJsonDocument::fromJson(build(kind).toUtf8()).isNull());
}

// A value is put into the body as it is; one holding a quote must neither break the body nor add
// members to it.
void TestUserLists::valuesWithQuotesStayValidJson()
{
    const QString odd = QStringLiteral("1\",\"x\":\"2\\");
    QVERIFY(addFavoriteReport(QStringLiteral("f"), odd, false));
    const QJsonDocument doc = QJsonDocument::fromJson(buildFavoriteUploadText().toUtf8());
    QVERIFY(doc.isArray());
    const QJsonObject item = doc.array().at(0).toObject();
    QCOMPARE(item.keys(), (QStringList{QStringLiteral("lst"), QStringLiteral("nam")}));
    QCOMPARE(item.value(QStringLiteral("lst")).toString(), odd);
}

void TestUserLists::instAndAnalystBodies()
{
    QCOMPARE(buildConcernedInstUploadText(), QString());
    QCOMPARE(buildConcernedAnalystUploadText(), QString());

    QVERIFY(addToConcernedInstList(QStringLiteral("中信证券")));
    QVERIFY(addToConcernedInstList(QStringLiteral("安信证券")));
    QVERIFY(addToConcernedInstList(QStringLiteral("国泰君安")));
    QCOMPARE(getConcernedInstList(),
             (QStringList{QStringLiteral("安信证券"), QStringLiteral("国泰君安"), QStringLiteral("中信证券")}));
    QCOMPARE(buildConcernedInstUploadText(), QStringLiteral("安信证券,国泰君安,中信证券"));

    QVERIFY(addToConcernedAnalystList(QStringLiteral("30")));
    QVERIFY(addToConcernedAnalystList(QStringLiteral("4")));
    QCOMPARE(buildConcernedAnalystUploadText(), QStringLiteral("30,4"));
}

void TestUserLists::clearKeepsANewerStamp()
{
    QVERIFY(addToConcernedInstList(QStringLiteral("a")));
    const qint64 uploaded = getConcernedInstModified();
    QVERIFY(uploaded > 0);

    clearConcernedInstModified(uploaded - 1);
    QCOMPARE(getConcernedInstModified(), uploaded);

    // The user changes the list while its upload is under way.
    QVERIFY(addToConcernedInstList(QStringLiteral("b")));
    const qint64 newer = getConcernedInstModified();
    QVERIFY(newer > uploaded);
    clearConcernedInstModified(uploaded);
    QCOMPARE(getConcernedInstModified(), newer);

    clearConcernedInstModified(newer);
    QCOMPARE(getConcernedInstModified(), 0);
}

// Two changes in the same millisecond still get different stamps, so the upload that carried the
// first one cannot clear the second.
void TestUserLists::stampsFollowEveryNewChange()
{
    qint64 last = 0;
    for (int i = 0; i < 200; ++i) {
        QVERIFY(addFavoriteReport(QStringLiteral("f"), QString::number(i), true));
        const qint64 stamp = getReportFavoriteModified();
        QVERIFY2(stamp > last, qPrintable(QString::number(i)));
        clearReportFavoriteModified(last);
        QCOMPARE(getReportFavoriteModified(), stamp);
        last = stamp;
    }
}

void TestUserLists::stampingRules()
{
    // Login fills unstamped.
    setConcernedInstList(QStringLiteral("a,b"), false);
    setConcernedAnalystList(QStringLiteral("1"), false);
    setPortfolioList(QStringLiteral("600000.SH"), false);
    QVERIFY(addFavoriteReport(QStringLiteral("f"), QStringLiteral("1"), false));
    QVERIFY(addBlockStock(QStringLiteral("b"), QStringLiteral("600000.SH"), false));
    QVERIFY(addSubscribe(QStringLiteral("s"), QStringLiteral("%7B%7D"), false));
    QCOMPARE(getConcernedInstModified(), 0);
    QCOMPARE(getConcernedAnalystModified(), 0);
    QCOMPARE(getPortfolioModified(), 0);
    QCOMPARE(getReportFavoriteModified(), 0);
    QCOMPARE(getStockBlockModified(), 0);
    QCOMPARE(getReportSubscribeModified(), 0);

    // The one-time import of older lists stamps.
    setConcernedAnalystList(QStringLiteral("2,3"), true);
    QVERIFY(getConcernedAnalystModified() > 0);
    setPortfolioList(QStringLiteral("000001.SZ"), true);
    QVERIFY(getPortfolioModified() > 0);

    QVERIFY(!removeBlockStock(QStringLiteral("b"), QStringLiteral("000001.SZ"), true));
    QCOMPARE(getStockBlockModified(), 0);
    QVERIFY(removeBlockStock(QStringLiteral("b"), QStringLiteral("600000.SH"), false));
    QCOMPARE(getStockBlockModified(), 0);
    touchStockBlockModified();
    QVERIFY(getStockBlockModified() > 0);

    QVERIFY(setSubscribeContent(QStringLiteral("s"), QStringLiteral("%7B%22cod%22%3A%221%22%7D"), false));
    QCOMPARE(getReportSubscribeModified(), 0);
    QVERIFY(changeSubscribeName(QStringLiteral("s"), QStringLiteral("t")));
    QVERIFY(getReportSubscribeModified() > 0);

    QVERIFY(removeFavoriteReport(QStringLiteral("f"), QStringLiteral("1")));
    QVERIFY(getReportFavoriteModified() > 0);
}

void TestUserLists::unchangedListsKeepTheirStamp()
{
    QVERIFY(addFavoriteReport(QStringLiteral("f"), QStringLiteral("1"), true));
    QVERIFY(addSubscribe(QStringLiteral("s"), QStringLiteral("c"), true));
    QVERIFY(addToConcernedInstList(QStringLiteral("a")));
    const qint64 fav = getReportFavoriteModified();
    const qint64 sub = getReportSubscribeModified();
    const qint64 inst = getConcernedInstModified();

    QVERIFY(!addFavoriteReport(QStringLiteral("f"), QStringLiteral("1"), true));
    QVERIFY(!addFavoriteReport(QStringLiteral("f"), QString(), true));
    QVERIFY(!removeFavoriteReport(QStringLiteral("f"), QStringLiteral("2")));
    QVERIFY(!removeFavoriteReport(QStringLiteral("g"), QStringLiteral("1")));
    QVERIFY(!changeFavoriteName(QStringLiteral("g"), QStringLiteral("h")));
    QVERIFY(!deleteFavorite(QStringLiteral("g")));
    QCOMPARE(getReportFavoriteModified(), fav);

    QVERIFY(!setSubscribeContent(QStringLiteral("x"), QStringLiteral("c2"), true));
    QVERIFY(!addSubscribe(QStringLiteral("s"), QStringLiteral("c2"), true));
    QCOMPARE(getSubscribeContent(QStringLiteral("s")), QStringLiteral("c"));
    QCOMPARE(getSubscribeContent(QStringLiteral("x")), QString());
    QCOMPARE(getReportSubscribeModified(), sub);

    QVERIFY(!addToConcernedInstList(QStringLiteral("a")));
    QVERIFY(!removeFromConcernedInstList(QStringLiteral("b")));
    setConcernedInstList(QString(), true);
    QCOMPARE(getConcernedInstList(), QStringList{QStringLiteral("a")});
    QCOMPARE(getConcernedInstModified(), inst);
}

void TestUserLists::simpleLists()
{
    setConcernedInstList(QStringLiteral(",甲,,乙,甲"), false);
    QVERIFY(isConcernedInst(QStringLiteral("甲")));
    QVERIFY(!isConcernedInst(QStringLiteral("丙")));
    QVERIFY(removeFromConcernedInstList(QStringLiteral("甲")));
    QVERIFY(isConcernedInst(QStringLiteral("甲"))); // the second one stays
    QVERIFY(removeFromConcernedInstList(QStringLiteral("甲")));
    QVERIFY(!isConcernedInst(QStringLiteral("甲")));

    QVERIFY(addToConcernedAnalystList(QStringLiteral("12")));
    QVERIFY(isConcernedAnalyst(QStringLiteral("12")));
    QVERIFY(!isConcernedAnalyst(QStringLiteral("1")));

    QVERIFY(addToPortfolioList(QStringLiteral("600000.SH")));
    QVERIFY(addToPortfolioList(QStringLiteral("000001.SZ")));
    QVERIFY(!addToPortfolioList(QStringLiteral("000001.SZ")));
    QCOMPARE(getPortfolioList(), (QStringList{QStringLiteral("000001.SZ"), QStringLiteral("600000.SH")}));
    setPortfolioList(QStringLiteral("b,a"), false);
    QCOMPARE(getPortfolioList(), (QStringList{QStringLiteral("b"), QStringLiteral("a")}));

    setMaskedInstList(QStringLiteral("x,y"));
    QCOMPARE(getMaskedInstList(), (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    setMaskedInstList(QString());
    QVERIFY(getMaskedInstList().isEmpty());
}

void TestUserLists::alertKinds()
{
    const QString ini = QStringLiteral("RAT_ACT_INI");
    const QString upg = QStringLiteral("RAT_ACT_UPG");
    enableAlert(upg);
    enableAlert(ini);
    enableAlert(upg);
    QCOMPARE(getAlertKinds(), (QStringList{upg, ini}));
    QVERIFY(isAlertEnabled(ini));
    QVERIFY(!isAlertEnabled(QStringLiteral("rat_act_ini")));
    disableAlert(upg);
    disableAlert(upg);
    QCOMPARE(getAlertKinds(), QStringList{ini});
}

void TestUserLists::namedListRules()
{
    // A new folder takes the id text as its value, even an empty one.
    QVERIFY(addFavoriteReport(QStringLiteral("empty"), QString(), true));
    QVERIFY(getFavoriteReportIds(QStringLiteral("empty")).isEmpty());
    QVERIFY(addFavoriteReport(QStringLiteral("empty"), QStringLiteral("5"), true));
    QCOMPARE(getFavoriteReportIds(QStringLiteral("empty")), QStringList{QStringLiteral("5")});

    QVERIFY(addFavoriteReport(QStringLiteral("f"), QStringLiteral("1"), true));
    QVERIFY(addFavoriteReport(QStringLiteral("f"), QStringLiteral("2"), true));
    QVERIFY(isFavoriteReport(QStringLiteral("f"), QStringLiteral("2")));
    QVERIFY(!isFavoriteReport(QStringLiteral("empty"), QStringLiteral("2")));
    QVERIFY(isFavoriteReport(QString(), QStringLiteral("5")));
    QVERIFY(isFavoriteReport(QString(), QStringLiteral("2")));
    QVERIFY(!isFavoriteReport(QString(), QStringLiteral("9")));
    QVERIFY(!isFavoriteReport(QStringLiteral("none"), QStringLiteral("1")));

    QVERIFY(changeFavoriteName(QStringLiteral("f"), QStringLiteral("g")));
    QCOMPARE(getFavoriteNameList(), (QStringList{QStringLiteral("empty"), QStringLiteral("g")}));
    QCOMPARE(getFavoriteReportIds(QStringLiteral("g")), (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    QVERIFY(deleteFavorite(QStringLiteral("empty")));
    QCOMPARE(getFavoriteNameList(), QStringList{QStringLiteral("g")});

    QVERIFY(addBlockStock(QStringLiteral("b"), QStringLiteral("600000.SH"), true));
    QVERIFY(addBlockStock(QStringLiteral("c"), QStringLiteral("000001.SZ"), true));
    QVERIFY(isStockOfBlock(QStringLiteral("b"), QStringLiteral("600000.SH")));
    QVERIFY(!isStockOfBlock(QStringLiteral("b"), QStringLiteral("000001.SZ")));
    QVERIFY(isBlockedStock(QStringLiteral("000001.SZ")));
    QVERIFY(!isBlockedStock(QStringLiteral("600000")));
    QVERIFY(deleteBlock(QStringLiteral("c")));
    QVERIFY(!isBlockedStock(QStringLiteral("000001.SZ")));

    QVERIFY(addSubscribe(QStringLiteral("s1"), QStringLiteral("c1"), true));
    QVERIFY(addSubscribe(QStringLiteral("s2"), QStringLiteral("c2"), true));
    QVERIFY(changeSubscribeName(QStringLiteral("s1"), QStringLiteral("s0")));
    QCOMPARE(getSubscribeNameList(), (QStringList{QStringLiteral("s0"), QStringLiteral("s2")}));
    QCOMPARE(getSubscribeContent(QStringLiteral("s0")), QStringLiteral("c1"));
    QVERIFY(deleteSubscribe(QStringLiteral("s0")));
    QVERIFY(!deleteSubscribe(QStringLiteral("s0")));
    QCOMPARE(getSubscribeNameList(), QStringList{QStringLiteral("s2")});
}

void TestUserLists::emptyPartsAreDropped()
{
    QVERIFY(addFavoriteReport(QStringLiteral("f"), QStringLiteral("1,,2,3,"), false));
    QCOMPARE(getFavoriteReportIds(QStringLiteral("f")),
             (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    QCOMPARE(buildFavoriteUploadText(), QStringLiteral(R"([{"nam":"f","lst":"1,,2,3,"}])"));
    QVERIFY(removeFavoriteReport(QStringLiteral("f"), QStringLiteral("2")));
    QCOMPARE(buildFavoriteUploadText(), QStringLiteral(R"([{"nam":"f","lst":"1,3"}])"));
}

void TestUserLists::renameToAnExistingName()
{
    QVERIFY(addBlockStock(QStringLiteral("a"), QStringLiteral("1"), false));
    QVERIFY(addBlockStock(QStringLiteral("b"), QStringLiteral("2"), false));
    QVERIFY(changeBlockName(QStringLiteral("b"), QStringLiteral("a")));
    QCOMPARE(getBlockNameList(), (QStringList{QStringLiteral("a"), QStringLiteral("a")}));
    QVERIFY(isStockOfBlock(QStringLiteral("a"), QStringLiteral("1")));
    QVERIFY(!isStockOfBlock(QStringLiteral("a"), QStringLiteral("2")));
    QVERIFY(isBlockedStock(QStringLiteral("2")));
    QVERIFY(deleteBlock(QStringLiteral("a")));
    QVERIFY(isStockOfBlock(QStringLiteral("a"), QStringLiteral("2")));
}

// The GUI thread and the engine's thread edit and read at once; nothing is lost or torn.
void TestUserLists::concurrentEditsKeepEveryItem()
{
    constexpr int count = 2000;
    std::atomic<bool> bodiesValid{true};
    auto favourites = startThread([&] {
        for (int i = 0; i < count; ++i) {
            addFavoriteReport(QStringLiteral("f"), QString::number(i), true);
            addToConcernedInstList(QStringLiteral("inst%1").arg(i));
        }
    });
    auto blocks = startThread([&] {
        for (int i = 0; i < count; ++i) {
            addBlockStock(QStringLiteral("b"), QStringLiteral("%1.SH").arg(i, 6, 10, QLatin1Char('0')), true);
            addToConcernedAnalystList(QString::number(i));
            const QJsonDocument doc = QJsonDocument::fromJson(buildFavoriteUploadText().toUtf8());
            if (!doc.isArray())
                bodiesValid = false;
        }
    });
    QVERIFY(favourites->wait(60000));
    QVERIFY(blocks->wait(60000));
    QVERIFY(bodiesValid);
    QCOMPARE(getFavoriteReportIds(QStringLiteral("f")).size(), count);
    QCOMPARE(getConcernedInstList().size(), count);
    QCOMPARE(getConcernedAnalystList().size(), count);
    const QJsonArray blockBody = QJsonDocument::fromJson(buildBlockUploadText().toUtf8()).array();
    QCOMPARE(blockBody.at(0).toObject().value(QStringLiteral("lst")).toString().split(QLatin1Char(',')).size(), count);
}

// The engine's protocol: read the stamp, build the body, post, clear with the stamp it sent. When
// the stamp ends at 0, the last body sent holds every edit.
void TestUserLists::uploadsNeverLoseAnEdit()
{
    constexpr int count = 3000;
    std::atomic<bool> editing{true};
    auto editor = startThread([&] {
        for (int i = 0; i < count; ++i)
            addToConcernedAnalystList(QString::number(i));
        editing = false;
    });
    QString lastSent;
    auto upload = [&] {
        const qint64 stamp = getConcernedAnalystModified();
        if (stamp == 0)
            return false;
        lastSent = buildConcernedAnalystUploadText();
        clearConcernedAnalystModified(stamp);
        return true;
    };
    auto uploader = startThread([&] {
        while (editing)
            upload();
        while (upload()) {
        }
    });
    QVERIFY(editor->wait(60000));
    QVERIFY(uploader->wait(60000));
    QCOMPARE(getConcernedAnalystModified(), 0);
    QCOMPARE(lastSent.split(QLatin1Char(',')).size(), count);
}

QTEST_GUILESS_MAIN(TestUserLists)
#include "tst_userlists.moc"
