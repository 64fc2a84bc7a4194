#include "globalstate.h"
#include "userlists.h"
#include "userliststore.h"

#include <QJsonDocument>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

class TestUserLists : public QObject
{
    Q_OBJECT

private slots:
    void init() { resetUserLists(); }

    void uploadBodies_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("items"); // "name=value" for the named lists
        QTest::addColumn<QString>("body");
        QTest::newRow("no favourites") << "fav" << QStringList() << "[]";
        QTest::newRow("no institutions") << "ins" << QStringList() << "";
        QTest::newRow("blank and Chinese") << "fav" << QStringList{" 股=7"} << R"([{"nam":"%20%E8%82%A1","lst":"7"}])";
        QTest::newRow("unreserved stay, the rest is encoded")
            << "blk" << QStringList{"a-b._~(1)+&="} << R"([{"nam":"a-b._~%281%29%2B%26","lst":""}])";
        QTest::newRow("several blocks in stored order")
            << "blk" << QStringList{"b2=600000.SH,000001.SZ", "b1=000002.SZ", "银行=300001.SZ"}
            << R"([{"nam":"b2","lst":"600000.SH,000001.SZ"},{"nam":"b1","lst":"000002.SZ"},)"
               R"({"nam":"%E9%93%B6%E8%A1%8C","lst":"300001.SZ"}])";
        QTest::newRow("subscriptions use cnt")
            << "sub" << QStringList{"订阅=%7B%22ttl%22%7D", "s2=%7B%7D"}
            << R"([{"nam":"%E8%AE%A2%E9%98%85","cnt":"%7B%22ttl%22%7D"},{"nam":"s2","cnt":"%7B%7D"}])";
        QTest::newRow("institutions sorted by pinyin")
            << "ins" << QStringList{"中信证券", "安信证券", "国泰君安"} << "安信证券,国泰君安,中信证券";
        QTest::newRow("analysts as added") << "anl" << QStringList{"30", "4"} << "30,4";
        // A quote must neither break the body nor add members to it.
        QTest::newRow("quotes and backslashes") << "fav" << QStringList{"f=1\",\"x\":\"2\\"} << "[{\"nam\":\"f\",\"lst\":\"1\\\",\\\"x\\\":\\\"2\\\\\"}]";
    }

    void uploadBodies()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, items);
        QFETCH(QString, body);
        const QHash<QString, std::function<bool(const QString &, const QString &)>> add{
            {"fav", [](const QString &n, const QString &v) { return addFavoriteReport(n, v, false); }},
            {"blk", [](const QString &n, const QString &v) { return addBlockStock(n, v, false); }},
            {"sub", [](const QString &n, const QString &v) { return addSubscribe(n, v, false); }},
            {"ins", [](const QString &n, const QString &) { return addToConcernedInstList(n); }},
            {"anl", [](const QString &n, const QString &) { return addToConcernedAnalystList(n); }}};
        const QHash<QString, QString (*)()> build{{"fav", buildFavoriteUploadText}, {"blk", buildBlockUploadText},
                                                  {"sub", buildSubscribeUploadText}, {"ins", buildConcernedInstUploadText},
                                                  {"anl", buildConcernedAnalystUploadText}};
        for (const QString &item : items)
            QVERIFY(add[kind](item.section('=', 0, 0), item.section('=', 1)));
        QCOMPARE(build[kind](), body);
    }

    // Changes within one millisecond still get rising stamps, so the upload that carried one change
    // cannot clear a later one.
    void clearKeepsANewerStamp()
    {
        qint64 last = 0;
        for (int i = 0; i < 200; ++i) {
            QVERIFY(addToConcernedInstList(QString::number(i)));
            const qint64 stamp = getConcernedInstModified();
            QVERIFY(stamp > last);
            clearConcernedInstModified(last);
            QCOMPARE(getConcernedInstModified(), stamp);
            last = stamp;
        }
        clearConcernedInstModified(last);
        QCOMPARE(getConcernedInstModified(), 0);
    }

    void whatStamps()
    {
        QVERIFY(addFavoriteReport("f", "1", false));
        QVERIFY(addBlockStock("b", "600000.SH,600001.SH", false));
        QVERIFY(addSubscribe("s", "c", false));
        struct Case
        {
            const char *what;
            std::function<bool()> change; // false when the store refused it
            qint64 (*stamp)();
            bool stamps;
        };
        const Case cases[] = {
            {"login fills", [] { setConcernedInstList("a,b", false); return true; }, getConcernedInstModified, false},
            {"import", [] { setConcernedAnalystList("2,3", true); return true; }, getConcernedAnalystModified, true},
            {"unstamped removal", [] { return removeBlockStock("b", "600000.SH", false); }, getStockBlockModified, false},
            {"absent stock", [] { return !removeBlockStock("b", "000002.SZ", true); }, getStockBlockModified, false},
            {"unknown subscription", [] { return !setSubscribeContent("x", "d", true); }, getReportSubscribeModified, false},
            {"rename", [] { return changeSubscribeName("s", "t"); }, getReportSubscribeModified, true},
            {"favourite there", [] { return !addFavoriteReport("f", "1", true); }, getReportFavoriteModified, false},
            {"favourite removed", [] { return removeFavoriteReport("f", "1"); }, getReportFavoriteModified, true},
        };
        for (const Case &c : cases) {
            clearUserListStamps();
            QVERIFY2(c.change() && (c.stamp() > 0) == c.stamps, c.what);
        }
    }

    // An operation by name reaches the first entry of that name; a removal writes the list back
    // without its empty parts.
    void namedListRules()
    {
        setConcernedInstList(",甲,,乙,甲", false);
        QVERIFY(removeFromConcernedInstList("甲") && isConcernedInst("甲"));
        QVERIFY(addFavoriteReport("f", "1,,2,3,", false) && addFavoriteReport("g", "5", false) && removeFavoriteReport("f", "2"));
        QCOMPARE(buildFavoriteUploadText(), QString(R"([{"nam":"f","lst":"1,3"},{"nam":"g","lst":"5"}])"));
        QVERIFY(isFavoriteReport("", "5") && !isFavoriteReport("f", "5")); // an empty name asks every folder
        QVERIFY(addBlockStock("a", "1", false) && addBlockStock("b", "2", false) && changeBlockName("b", "a"));
        QVERIFY(deleteBlock("a") && isStockOfBlock("a", "2") && !isBlockedStock("1"));
    }

    // The GUI thread and another edit at once while the engine's thread uploads as it does: read
    // the stamp, build the body, post, clear with the stamp it sent. Nothing is lost or torn, and
    // once the stamp is 0 the last body sent holds every edit.
    void concurrentEditsAndUploads()
    {
        constexpr int count = 2000;
        std::atomic<bool> editing{true};
        std::atomic<bool> bodiesValid{true};
        std::unique_ptr<QThread> editor(QThread::create([&] {
            for (int i = 0; i < count; ++i) {
                addToConcernedAnalystList(QString::number(i));
                addFavoriteReport("f", QString::number(i), true);
            }
            editing = false;
        }));
        QString lastSent;
        const auto upload = [&] {
            const qint64 stamp = getConcernedAnalystModified();
            bodiesValid = bodiesValid && QJsonDocument::fromJson(buildFavoriteUploadText().toUtf8()).isArray();
            if (stamp != 0)
                lastSent = buildConcernedAnalystUploadText();
            clearConcernedAnalystModified(stamp);
            return stamp != 0;
        };
        std::unique_ptr<QThread> uploader(QThread::create([&] {
            while (editing)
                upload();
            while (upload()) {
            }
        }));
        editor->start();
        uploader->start();
        for (int i = 0; i < count; ++i)
            addBlockStock("b", QString::asprintf("%06d.SH", i), true);
        QVERIFY(editor->wait(60000) && uploader->wait(60000) && bodiesValid);
        QCOMPARE(getConcernedAnalystModified(), 0);
        QCOMPARE(lastSent.split(',').size(), count);
        QCOMPARE(getFavoriteReportIds("f").size(), count);
        QCOMPARE(buildBlockUploadText().count(".SH"), count);
    }
};

QTEST_GUILESS_MAIN(TestUserLists)
#include "tst_userlists.moc"
