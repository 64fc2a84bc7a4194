// The list uploads of the engine against the stand-in: what is posted, when a stamp is cleared,
// what a refusal and a timed-out session do, and one request at a time.

#include "enginerunner.h"
#include "listupload.h"
#include "standinsession.h"
#include "userlists.h"

#include <QCryptographicHash>

#include <limits>

class TestUploads : public QObject
{
    Q_OBJECT

    // What was posted so far, as "POST kind body ?query", of one kind ("inst", "favorite", ...) or all.
    QStringList uploads(const QString &kind = QString())
    {
        QStringList out;
        for (const QJsonObject &e : m_server.requestLog()) {
            const QString path = e.value("path").toString();
            if (path.startsWith("/customize/" + kind)) {
                out.append(QStringList{e.value("method").toString(), path.mid(11), e.value("body").toString(),
                                       "?" + e.value("query").toString()}.join(' '));
            }
        }
        return out;
    }
    static bool waitForStatus(const EngineRunner &engine, const QString &text, int count = 1)
    {
        return waitFor([&] { return engine.statuses.count(text) >= count; });
    }

    DevServer m_server;
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        loadDefaultConfig();
        setHostIndex(0);
        QVERIFY(initMainDatabase(m_dir.path()));
        QVERIFY(openStandInSession());
    }

    void init()
    {
        deleteFavorite(QStringLiteral("待读"));
        for (UploadList list : uploadOrder())
            clearUploadStamp(list, std::numeric_limits<qint64>::max());
        // The index cycle of the first tick ends at once; the ticks after it upload.
        QVERIFY(m_server.setFault(QStringLiteral("http_404"), true, QStringLiteral("/oss/dat/IDX.DAT")));
        m_server.clearRequestLog();
    }
    void cleanup() { QVERIFY(m_server.resetFaults()); }

    void everyListPostedInOrder()
    {
        setConcernedInstList(QStringLiteral("华信证券,Moody's"), true);
        addSubscribe(QStringLiteral("芯片"), QStringLiteral("%7B%22ttl%22%3A%22%E8%8A%AF%E7%89%87%22%7D"), true);
        addFavoriteReport(QStringLiteral("待读"), QStringLiteral("10009713,10009561"), true);
        addBlockStock(QStringLiteral("自选"), QStringLiteral("600000.SH,000001.SZ"), true);
        setConcernedAnalystList(QStringLiteral("1001"), true);
        QList<qint64> stamps;
        for (UploadList list : uploadOrder())
            stamps.append(uploadStamp(list));
        EngineRunner engine;
        engine.start();
        QVERIFY(waitForStatus(engine, QStringLiteral("上传关注分析师数据成功！")));
        // Emptied lists are uploaded too.
        deleteFavorite(QStringLiteral("待读"));
        removeFromConcernedAnalystList(QStringLiteral("1001"));
        stamps << getReportFavoriteModified() << getConcernedAnalystModified();
        QVERIFY(waitForStatus(engine, QStringLiteral("上传关注分析师数据成功！"), 2));
        QVERIFY(engine.stop());

        const QStringList expected = {
            "inst 华信证券,Moody's",
            R"(subscribe [{"nam":"%E8%8A%AF%E7%89%87","cnt":"%7B%22ttl%22%3A%22%E8%8A%AF%E7%89%87%22%7D"}])",
            R"(favorite [{"nam":"%E5%BE%85%E8%AF%BB","lst":"10009713,10009561"}])",
            R"(block [{"nam":"%E8%87%AA%E9%80%89","lst":"600000.SH,000001.SZ"}])",
            "analyst 1001",
            "favorite []",
            "analyst "};
        const QStringList posted = uploads();
        QCOMPARE(posted.size(), expected.size());
        for (int i = 0; i < posted.size(); ++i) {
            // The session, the stamp sent, the time and its MD5.
            const QString tms = posted[i].section("&tms=", 1).section('&', 0, 0);
            const QString sgn = QCryptographicHash::hash(tms.toUtf8(), QCryptographicHash::Md5).toHex();
            QCOMPARE(posted[i], "POST " + expected[i] + " ?ssn=" + getSessionId() + "&mdf=" + QString::number(stamps[i])
                                    + "&tms=" + tms + "&sgn=" + sgn);
        }
        for (UploadList list : uploadOrder())
            QCOMPARE(uploadStamp(list), qint64(0));
    }

    void editDuringUploadUploadsAgain()
    {
        addFavoriteReport(QStringLiteral("待读"), QStringLiteral("1"), true);
        const qint64 sent = getReportFavoriteModified();
        EngineRunner engine;
        // While the reply of the first upload arrives (its progress text), the user files one more
        // report: the answer, which confirms the stamp that was sent, must not clear the newer one.
        bool edited = false;
        QObject::connect(engine.updater, &QUpdater::showStatus, engine.updater, [&](const QString &text) {
            if (!edited && text.startsWith(QStringLiteral("接收favorite..."))) {
                edited = true;
                QThread::msleep(2);
                addFavoriteReport(QStringLiteral("待读"), QStringLiteral("2"), true);
            }
        }, Qt::DirectConnection);
        engine.start();
        QVERIFY(waitForStatus(engine, QStringLiteral("上传收藏报告数据成功！"), 2));
        QVERIFY(engine.stop());
        const QStringList posted = uploads(QStringLiteral("favorite"));
        QCOMPARE(posted.size(), 2);
        QVERIFY(posted[0].contains(QStringLiteral("mdf=%1&").arg(sent)));
        QVERIFY(posted[1].contains(QStringLiteral("\"lst\":\"1,2\"")));
        QCOMPARE(getReportFavoriteModified(), qint64(0));
    }

    void refusedOrTimedOut_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("told");   // the status text of the reply
        QTest::addColumn<bool>("retried");   // the list goes again on the next ticks
        QTest::addColumn<bool>("cleared");   // its stamp is cleared
        QTest::newRow("refused") << "upload_refused" << "服务器繁忙，请稍后再试" << true << false;
        QTest::newRow("timed out, stamp echoed") << "session_timeout" << "登录超时，请重新登录" << false << true;
        QTest::newRow("timed out, no stamp") << "session_timeout_no_mdf" << "登录超时，请重新登录" << false << false;
    }

    void refusedOrTimedOut()
    {
        QFETCH(QString, fault);
        QFETCH(QString, told);
        QFETCH(bool, retried);
        QFETCH(bool, cleared);
        QVERIFY(m_server.setFault(fault));
        setConcernedInstList(QStringLiteral("华信证券"), true);
        addFavoriteReport(QStringLiteral("待读"), QStringLiteral("1"), true);
        EngineRunner engine;
        engine.start();
        QVERIFY(waitForStatus(engine, told));
        // Some ticks later: a refused list went again, and nothing after it; after a time-out one dialog
        // and no further upload in this run.
        const QRegularExpression tick("^(线程等待|上传关注机构数据)\\.\\.\\.$");
        auto ticks = [&] { return engine.statuses.filter(tick).size(); };
        const int now = ticks();
        QVERIFY(waitFor([&] { return ticks() >= now + 3; }));
        QVERIFY(engine.stop());
        QCOMPARE(engine.events.count(QStringLiteral("showOuttimeDialog")), int(!retried));
        QCOMPARE(uploads(QStringLiteral("inst")).size() > 1, retried);
        QCOMPARE(uploads().size(), uploads(QStringLiteral("inst")).size());
        QCOMPARE(getConcernedInstModified() == 0, cleared);
        QVERIFY(getReportFavoriteModified() > 0);
    }

    void oneRequestAtATime()
    {
        QVERIFY(m_server.setFault(QStringLiteral("stall"), true, QStringLiteral("/customize/inst")));
        setConcernedInstList(QStringLiteral("华信证券"), true);
        addFavoriteReport(QStringLiteral("待读"), QStringLiteral("1"), true);
        EngineRunner engine(2);
        engine.start();
        QVERIFY(waitFor([&] { return uploads().size() == 1; }));
        // Ticks come and go while the answer is outstanding; none of them starts anything, nor tries:
        // the client would refuse a second request, and its slot would get the answer.
        QTest::qWait(3500);
        QCOMPARE(uploads().size(), 1);
        QCOMPARE(engine.statuses.count(QStringLiteral("上传关注机构数据...")), 1);
        QCOMPARE(engine.statuses.count(QStringLiteral("接收索引数据...")), 1);
        QVERIFY(engine.stop());
        QVERIFY(engine.statuses.contains(QStringLiteral("上传关注机构数据失败！")));
        QVERIFY(getConcernedInstModified() > 0);
    }
};

QTEST_GUILESS_MAIN(TestUploads)
#include "tst_uploads.moc"
