// The list uploads of the engine against the stand-in: what is posted, when a stamp is cleared,
// what a refusal and a timed-out session do, and one request at a time.

#include "databaseschema.h"
#include "dbconnection.h"
#include "defaultconfig.h"
#include "devserver.h"
#include "enginerunner.h"
#include "globalstate.h"
#include "listupload.h"
#include "userlists.h"

#include <QCryptographicHash>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

#include <functional>
#include <limits>
#include <memory>

namespace {

void clearStamps()
{
    for (UploadList list : uploadOrder())
        clearUploadStamp(list, std::numeric_limits<qint64>::max());
}

void clearLists()
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
    clearStamps();
}

QList<QJsonObject> uploads(const QList<QJsonObject> &log, const QString &kind = QString())
{
    QList<QJsonObject> out;
    for (const QJsonObject &entry : log) {
        const QString path = entry.value(QLatin1String("path")).toString();
        if (path.startsWith(QLatin1String("/customize/")) && (kind.isEmpty() || path.endsWith(QLatin1Char('/') + kind)))
            out.append(entry);
    }
    return out;
}

} // namespace

class TestUploads : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void postedRequest_data();
    void postedRequest();
    void listsInOrder();
    void editDuringUploadUploadsAgain();
    void refusalKeepsTheStamp();
    void sessionTimeout_data();
    void sessionTimeout();
    void oneRequestAtATime();
    void readingReplies_data();
    void readingReplies();

private:
    DevServer m_server;
    QString m_session;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestUploads::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    loadDefaultConfig();
    setHostIndex(0);
    m_session = loginToStandIn(QStringLiteral("20170101"), QStringLiteral("demo8888"));
    QVERIFY(!m_session.isEmpty());
    setSessionId(m_session);
}

void TestUploads::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(initMainDatabase(m_dir->path()));
    clearLists();
    // The index cycle of the first tick ends at once; the ticks after it upload.
    QVERIFY(m_server.setFault(QStringLiteral("http_404"), true, QStringLiteral("/oss/dat/IDX.DAT")));
    m_server.clearRequestLog();
}

void TestUploads::cleanup()
{
    QVERIFY(m_server.resetFaults());
    clearLists();
    closeMainDatabase();
    m_dir.reset();
}

void TestUploads::postedRequest_data()
{
    QTest::addColumn<int>("list");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("success");
    QTest::addColumn<QString>("body");
    QTest::newRow("institutions") << int(UploadList::ConcernedInst) << "inst" << "上传关注机构数据成功！"
                                  << "华信证券,Moody's";
    QTest::newRow("subscriptions") << int(UploadList::ReportSubscribe) << "subscribe" << "上传报告订阅数据成功！"
                                   << R"([{"nam":"%E8%8A%AF%E7%89%87","cnt":"%7B%22ttl%22%3A%22%E8%8A%AF%E7%89%87%22%7D"}])";
    QTest::newRow("favourites") << int(UploadList::ReportFavorite) << "favorite" << "上传收藏报告数据成功！"
                                << R"([{"nam":"%E5%BE%85%E8%AF%BB","lst":"10009713,10009561"}])";
    QTest::newRow("no favourites") << int(UploadList::ReportFavorite) << "favorite" << "上传收藏报告数据成功！" << "[]";
    QTest::newRow("blocks") << int(UploadList::StockBlock) << "block" << "上传板块数据成功！"
                            << R"([{"nam":"%E8%87%AA%E9%80%89","lst":"600000.SH,000001.SZ"}])";
    QTest::newRow("analysts") << int(UploadList::ConcernedAnalyst) << "analyst" << "上传关注分析师数据成功！"
                              << "1001,1002";
    QTest::newRow("no analysts") << int(UploadList::ConcernedAnalyst) << "analyst" << "上传关注分析师数据成功！" << "";
}

void TestUploads::postedRequest()
{
    QFETCH(int, list);
    QFETCH(QString, kind);
    QFETCH(QString, success);
    QFETCH(QString, body);
    const bool empty = body.isEmpty() || body == QLatin1String("[]");
    switch (UploadList(list)) {
    case UploadList::ConcernedInst:
        setConcernedInstList(QStringLiteral("华信证券,Moody's"), true);
        break;
    case UploadList::ReportSubscribe:
        addSubscribe(QStringLiteral("芯片"), QStringLiteral("%7B%22ttl%22%3A%22%E8%8A%AF%E7%89%87%22%7D"), true);
        break;
    case UploadList::ReportFavorite:
        // Emptied by the user: the empty list is uploaded.
        addFavoriteReport(QStringLiteral("待读"), QStringLiteral("10009713,10009561"), true);
        if (empty)
            deleteFavorite(QStringLiteral("待读"));
        break;
    case UploadList::StockBlock:
        addBlockStock(QStringLiteral("自选"), QStringLiteral("600000.SH,000001.SZ"), true);
        break;
    case UploadList::ConcernedAnalyst:
        setConcernedAnalystList(QStringLiteral("1001,1002"), true);
        if (empty) {
            removeFromConcernedAnalystList(QStringLiteral("1001"));
            removeFromConcernedAnalystList(QStringLiteral("1002"));
        }
        break;
    }
    const qint64 stamp = uploadStamp(UploadList(list));
    QVERIFY(stamp > 0);

    EngineRunner engine;
    engine.start();
    QVERIFY(engine.waitForStatus(success));
    QVERIFY(engine.stop());
    QCOMPARE(uploadStamp(UploadList(list)), qint64(0));

    const QList<QJsonObject> posted = uploads(m_server.requestLog());
    QCOMPARE(posted.size(), 1);
    const QJsonObject request = posted.first();
    QCOMPARE(request.value(QLatin1String("method")).toString(), QStringLiteral("POST"));
    QCOMPARE(request.value(QLatin1String("path")).toString(), QStringLiteral("/customize/") + kind);
    QCOMPARE(request.value(QLatin1String("body")).toString(), body);
    const QList<QPair<QString, QString>> query = QUrlQuery(request.value(QLatin1String("query")).toString()).queryItems();
    QCOMPARE(query.size(), 4);
    QCOMPARE(query.at(0), qMakePair(QStringLiteral("ssn"), m_session));
    QCOMPARE(query.at(1), qMakePair(QStringLiteral("mdf"), QString::number(stamp)));
    QCOMPARE(query.at(2).first, QStringLiteral("tms"));
    QCOMPARE(query.at(3), qMakePair(QStringLiteral("sgn"), QString::fromLatin1(QCryptographicHash::hash(
                                                                  query.at(2).second.toUtf8(), QCryptographicHash::Md5)
                                                                  .toHex())));
    QCOMPARE(engine.statuses.first(), QStringLiteral("接收索引数据..."));
    QVERIFY(engine.statuses.contains(uploadStartText(UploadList(list))));
}

void TestUploads::listsInOrder()
{
    setConcernedAnalystList(QStringLiteral("1001"), true);
    addBlockStock(QStringLiteral("自选"), QStringLiteral("600000.SH"), true);
    setConcernedInstList(QStringLiteral("华信证券"), true);
    EngineRunner engine;
    engine.start();
    QVERIFY(engine.waitForStatus(QStringLiteral("上传关注分析师数据成功！")));
    QVERIFY(engine.stop());
    QStringList paths;
    for (const QJsonObject &entry : uploads(m_server.requestLog()))
        paths.append(entry.value(QLatin1String("path")).toString());
    QCOMPARE(paths, (QStringList{"/customize/inst", "/customize/block", "/customize/analyst"}));
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
    QVERIFY(EngineRunner::waitFor([&] { return uploads(m_server.requestLog(), "favorite").size() >= 2; }, 30000));
    QVERIFY(engine.waitFor([&] { return engine.statuses.count(QStringLiteral("上传收藏报告数据成功！")) >= 2; }));
    QVERIFY(engine.stop());
    QVERIFY(edited);
    const QList<QJsonObject> posted = uploads(m_server.requestLog(), "favorite");
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
    QVERIFY(engine.waitFor([&] { return uploads(m_server.requestLog(), "inst").size() >= 2; }));
    QVERIFY(engine.statuses.contains(QStringLiteral("服务器繁忙，请稍后再试")));
    QVERIFY(getConcernedInstModified() > 0);
    QVERIFY(m_server.resetFaults());
    QVERIFY(engine.waitForStatus(QStringLiteral("上传关注机构数据成功！")));
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
    QVERIFY(engine.waitForStatus(QStringLiteral("登录超时，请重新登录")));
    // Some idle ticks later: one dialog, and no further upload in this run.
    const int waiting = engine.statuses.count(QStringLiteral("线程等待..."));
    QVERIFY(engine.waitFor([&] { return engine.statuses.count(QStringLiteral("线程等待...")) >= waiting + 3; }));
    QVERIFY(engine.stop());
    QCOMPARE(engine.outtimeDialogs, 1);
    QCOMPARE(uploads(m_server.requestLog()).size(), 1);
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
    QVERIFY(EngineRunner::waitFor([&] { return uploads(m_server.requestLog(), "inst").size() == 1; }));
    // Ticks come and go while the answer is outstanding; none of them starts anything.
    QTest::qWait(3500);
    QCOMPARE(uploads(m_server.requestLog()).size(), 1);
    int indexes = 0;
    for (const QJsonObject &entry : m_server.requestLog())
        indexes += entry.value(QLatin1String("path")).toString().endsWith(QLatin1String("IDX.DAT"));
    QCOMPARE(indexes, 1);
    // Nor does it try: the client would refuse a second request, and its slot would get the answer.
    QCOMPARE(engine.statuses.count(QStringLiteral("上传关注机构数据...")), 1);
    QCOMPARE(engine.statuses.count(QStringLiteral("接收索引数据...")), 1);
    QVERIFY(engine.stop());
    QVERIFY(engine.statuses.contains(QStringLiteral("上传关注机构数据失败！")));
    QVERIFY(getConcernedInstModified() > 0);
}

void TestUploads::readingReplies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("res");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<qint64>("mdf");
    QTest::newRow("saved") << QByteArray(R"({"res":1,"msg":"保存成功","data":{"mdf":1484289423000}})") << 1
                           << "保存成功" << qint64(1484289423000);
    QTest::newRow("stamp as text") << QByteArray(R"({"res":1,"data":{"mdf":"1484289423000"}})") << 1 << ""
                                   << qint64(1484289423000);
    QTest::newRow("no stamp") << QByteArray(R"({"res":1,"msg":"ok"})") << 1 << "ok" << qint64(0);
    QTest::newRow("stamp not a number") << QByteArray(R"({"res":1,"data":{"mdf":"soon"}})") << 1 << "" << qint64(0);
    QTest::newRow("timed out") << QByteArray(R"({"res":-1,"msg":"登录超时"})") << -1 << "登录超时" << qint64(0);
    QTest::newRow("not JSON") << QByteArray("<html>502</html>") << 0 << "" << qint64(0);
}

void TestUploads::readingReplies()
{
    QFETCH(QByteArray, body);
    QFETCH(int, res);
    QFETCH(QString, msg);
    QFETCH(qint64, mdf);
    const UploadReply reply = readUploadReply(body);
    QCOMPARE(reply.res, res);
    QCOMPARE(reply.msg, msg);
    QCOMPARE(reply.mdf, mdf);
}

QTEST_GUILESS_MAIN(TestUploads)
#include "tst_uploads.moc"
