// The list uploads of the engine against the stand-in: what is posted, when a stamp is cleared,
// what a refusal and a timed-out session do, and one request at a time.

#include "enginerunner.h"
#include "jsonscript.h"
#include "listupload.h"
#include "qhttpclient.h"
#include "serviceapi.h"
#include "userlists.h"

#include <QCryptographicHash>

#include <limits>

class TestUploads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { QVERIFY(m_server.resetFaults()); }

    void everyListPostedInOrder();
    void editDuringUploadUploadsAgain();
    void refusalKeepsTheStamp();
    void sessionTimeout_data();
    void sessionTimeout();
    void oneRequestAtATime();

private:
    // What was posted so far, of one kind ("inst", "favorite", ...) or of all.
    QList<QJsonObject> uploads(const QString &kind = QString())
    {
        QList<QJsonObject> out;
        for (const QJsonObject &entry : m_server.requestLog()) {
            if (entry.value(QLatin1String("path")).toString().startsWith("/customize/" + kind))
                out.append(entry);
        }
        return out;
    }
    static bool waitForStatus(const EngineRunner &engine, const QString &text, int count = 1)
    {
        return waitFor([&] { return engine.statuses.count(text) >= count; });
    }

    DevServer m_server;
    QTemporaryDir m_dir;
};

void TestUploads::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    setHostIndex(0);
    QVERIFY(initMainDatabase(m_dir.path()));
    QHttpClient client;
    QSignalSpy finished(&client, &QHttpClient::downloadFinished);
    const QString tms = getTimestamp();
    QVERIFY(client.get(getVerifyApiUrl() + "?acc=20170101&pwd=" + getPasswordDigest(QStringLiteral("demo8888"))
                           + "&mac=00-00-00-00-00-00&tms=" + tms + "&sgn=" + getSignature(tms),
                       false));
    QVERIFY(finished.wait(20000));
    JsonScript json;
    setSessionId(jsonText(json.parseBody(finished.first().at(1).toByteArray()).property("data"), "ssn"));
    QVERIFY(!getSessionId().isEmpty());
}

void TestUploads::init()
{
    deleteFavorite(QStringLiteral("待读"));
    for (UploadList list : uploadOrder())
        clearUploadStamp(list, std::numeric_limits<qint64>::max());
    // The index cycle of the first tick ends at once; the ticks after it upload.
    QVERIFY(m_server.setFault(QStringLiteral("http_404"), true, QStringLiteral("/oss/dat/IDX.DAT")));
    m_server.clearRequestLog();
}

void TestUploads::everyListPostedInOrder()
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
    const QList<QJsonObject> posted = uploads();
    QCOMPARE(posted.size(), expected.size());
    for (int i = 0; i < posted.size(); ++i) {
        const QStringList request = {posted.at(i).value("method").toString(), posted.at(i).value("path").toString(),
                                     posted.at(i).value("body").toString(), posted.at(i).value("query").toString()};
        QCOMPARE(request.at(0) + ' ' + request.at(1).mid(11) + ' ' + request.at(2), "POST " + expected.at(i));
        // The session, the stamp sent, the time and its MD5.
        const QString tms = request.at(3).section(QLatin1String("&tms="), 1).section(QLatin1Char('&'), 0, 0);
        const QString sgn = QCryptographicHash::hash(tms.toUtf8(), QCryptographicHash::Md5).toHex();
        QCOMPARE(request.at(3), QString("ssn=%1&mdf=%2&tms=%3&sgn=%4").arg(getSessionId()).arg(stamps[i]).arg(tms, sgn));
    }
    for (UploadList list : uploadOrder())
        QCOMPARE(uploadStamp(list), qint64(0));
}

void TestUploads::editDuringUploadUploadsAgain()
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
    const QList<QJsonObject> posted = uploads(QStringLiteral("favorite"));
    QCOMPARE(posted.size(), 2);
    QVERIFY(posted.at(0).value(QLatin1String("query")).toString().contains(QStringLiteral("mdf=%1&").arg(sent)));
    QVERIFY(posted.at(1).value(QLatin1String("body")).toString().contains(QStringLiteral("1,2")));
    QCOMPARE(getReportFavoriteModified(), qint64(0));
}

void TestUploads::refusalKeepsTheStamp()
{
    QVERIFY(m_server.setFault(QStringLiteral("upload_refused"), true, QStringLiteral("/customize/inst")));
    setConcernedInstList(QStringLiteral("华信证券"), true);
    EngineRunner engine;
    engine.start();
    QVERIFY(waitFor([&] { return uploads(QStringLiteral("inst")).size() >= 2; }));
    QVERIFY(engine.statuses.contains(QStringLiteral("服务器繁忙，请稍后再试")));
    QVERIFY(getConcernedInstModified() > 0);
    QVERIFY(m_server.resetFaults());
    QVERIFY(waitForStatus(engine, QStringLiteral("上传关注机构数据成功！")));
    QVERIFY(engine.stop());
    QCOMPARE(getConcernedInstModified(), qint64(0));
}

void TestUploads::sessionTimeout_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("stamp echoed") << "session_timeout" << true;
    QTest::newRow("no stamp in the reply") << "session_timeout_no_mdf" << false;
}

void TestUploads::sessionTimeout()
{
    QFETCH(QString, fault);
    QFETCH(bool, cleared);
    QVERIFY(m_server.setFault(fault));
    setConcernedInstList(QStringLiteral("华信证券"), true);
    addFavoriteReport(QStringLiteral("待读"), QStringLiteral("1"), true);
    EngineRunner engine;
    engine.start();
    QVERIFY(waitForStatus(engine, QStringLiteral("登录超时，请重新登录")));
    // Some idle ticks later: one dialog, and no further upload in this run.
    QVERIFY(waitForStatus(engine, QStringLiteral("线程等待..."), engine.statuses.count(QStringLiteral("线程等待...")) + 3));
    QVERIFY(engine.stop());
    QCOMPARE(engine.events.count(QStringLiteral("showOuttimeDialog")), 1);
    QCOMPARE(uploads().size(), 1);
    QCOMPARE(getConcernedInstModified() == 0, cleared);
    QVERIFY(getReportFavoriteModified() > 0);
}

void TestUploads::oneRequestAtATime()
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

QTEST_GUILESS_MAIN(TestUploads)
#include "tst_uploads.moc"
