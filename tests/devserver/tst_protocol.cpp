// The stand-in's protocol, checked from the outside with a plain HTTP client.

#include "devserver.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSettings>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

namespace {

struct Http
{
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    qint64 contentLength = -1;
    QByteArray contentType;
};

QString md5(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
}

QString signedPart()
{
    const QString tms = QString::number(QDateTime::currentMSecsSinceEpoch());
    return QStringLiteral("tms=") + tms + QStringLiteral("&sgn=") + md5(tms);
}

QJsonObject jsonOf(const QByteArray &body)
{
    return QJsonDocument::fromJson(body).object();
}

quint32 declaredLength(const QByteArray &body)
{
    return body.size() < 4 ? 0 : qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(body.constData()));
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void readyLineAndHostsIni();
    void signature_data();
    void signature();
    void login_data();
    void login();
    void loginReplyTypes();
    void loginFaults_data();
    void loginFaults();
    void secondServicePort();
    void compressedForm();
    void testFileFaults_data();
    void testFileFaults();
    void indexAgreesWithManifest();
    void packagesAgreeWithManifest();
    void dayPricesAgreeWithStockPackage();
    void reportFileAndShare();
    void reportFaults_data();
    void reportFaults();
    void uploadEchoAndNames();
    void uploadsSurviveRestart();
    void uploadRefusals_data();
    void uploadRefusals();
    void uploadFaults_data();
    void uploadFaults();
    void httpFaults_data();
    void httpFaults();
    void stall();
    void truncate();
    void packageFaults_data();
    void packageFaults();
    void hostileRows();
    void pages_data();
    void pages();
    void requestLog();
    void unknownFaultIsRefused();
    void stopsCleanly();

private:
    Http request(const QByteArray &method, const QUrl &url, const QByteArray &body = QByteArray(),
                 const QByteArray &contentType = "text/plain");
    Http get(const QUrl &url) { return request("GET", url); }
    QUrl service(const QString &pathAndQuery) const { return QUrl(m_server.serviceUrl().toString() + pathAndQuery); }
    QUrl object(const QString &pathAndQuery) const { return QUrl(m_server.objectUrl().toString() + pathAndQuery); }
    QJsonObject login(const QString &account, const QString &password);
    QString session(const QString &account = QStringLiteral("20170101"), const QString &password = QStringLiteral("demo8888"));
    QJsonObject upload(const QString &kind, const QString &ssn, const QString &mdf, const QByteArray &body,
                       const QByteArray &contentType = "text/plain; charset=utf-8");

    DevServer m_server;
    QNetworkAccessManager m_net;
};

void TestProtocol::initTestCase()
{
    m_net.setProxy(QNetworkProxy::NoProxy);
    QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
}

void TestProtocol::cleanup()
{
    if (m_server.isRunning())
        QVERIFY2(m_server.resetFaults(), qPrintable(m_server.errorString()));
}

Http TestProtocol::request(const QByteArray &method, const QUrl &url, const QByteArray &body, const QByteArray &contentType)
{
    QNetworkRequest req(url);
    if (method == "POST")
        req.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    QNetworkReply *reply = m_net.sendCustomRequest(req, method, body);
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    Http h;
    if (!reply->isFinished()) {
        reply->abort();
        h.error = QNetworkReply::TimeoutError;
    } else {
        h.error = reply->error();
    }
    h.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    h.body = reply->readAll();
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    h.contentLength = length.isValid() ? length.toLongLong() : -1;
    h.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    delete reply;
    return h;
}

QJsonObject TestProtocol::login(const QString &account, const QString &password)
{
    const Http h = get(service(QStringLiteral("/user/verify?acc=%1&pwd=%2&mac=0A1B2C3D4E5F&%3").arg(account, md5(password), signedPart())));
    return jsonOf(h.body);
}

QString TestProtocol::session(const QString &account, const QString &password)
{
    return login(account, password).value(QLatin1String("data")).toObject().value(QLatin1String("ssn")).toString();
}

QJsonObject TestProtocol::upload(const QString &kind, const QString &ssn, const QString &mdf, const QByteArray &body,
                                 const QByteArray &contentType)
{
    const QUrl url = service(QStringLiteral("/customize/%1?ssn=%2&mdf=%3&%4").arg(kind, ssn, mdf, signedPart()));
    return jsonOf(request("POST", url, body, contentType).body);
}

void TestProtocol::readyLineAndHostsIni()
{
    QCOMPARE(m_server.serviceUrl().host(), QStringLiteral("127.0.0.1"));
    QVERIFY(m_server.serviceUrl().port() > 0);
    QVERIFY(m_server.serviceUrl2().port() > 0);
    QVERIFY(m_server.serviceUrl().port() != m_server.serviceUrl2().port());
    QVERIFY(m_server.objectUrl().path() == QLatin1String("/oss"));
    QCOMPARE(qEnvironmentVariable("TAMREL_HOSTS"), m_server.hostsIniPath());

    QSettings ini(m_server.hostsIniPath(), QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    const QJsonObject host0 = QJsonDocument::fromJson(ini.value(QStringLiteral("ServiceHost/Host0")).toString().toUtf8()).object();
    const QJsonObject host1 = QJsonDocument::fromJson(ini.value(QStringLiteral("ServiceHost/Host1")).toString().toUtf8()).object();
    QCOMPARE(host0.value(QLatin1String("name")).toString(), QStringLiteral("杭州服务器"));
    QCOMPARE(host0.value(QLatin1String("host")).toString(), m_server.serviceUrl().toString());
    QCOMPARE(host1.value(QLatin1String("name")).toString(), QStringLiteral("北京服务器"));
    QCOMPARE(host1.value(QLatin1String("host")).toString(), m_server.serviceUrl2().toString());
    QCOMPARE(ini.value(QStringLiteral("ObjectHost/Host")).toString(), m_server.objectUrl().toString());
    const QString base = m_server.serviceUrl().toString();
    QCOMPARE(ini.value(QStringLiteral("Url/Register")).toString(), base + QStringLiteral("/web/register"));
    QCOMPARE(ini.value(QStringLiteral("Url/Password")).toString(), base + QStringLiteral("/web/password"));
    QCOMPARE(ini.value(QStringLiteral("Url/Card")).toString(), base + QStringLiteral("/web/card"));
    QCOMPARE(ini.value(QStringLiteral("Url/Share")).toString(), base + QStringLiteral("/web/share"));
    QCOMPARE(ini.value(QStringLiteral("Contact/Website")).toString(), QStringLiteral("127.0.0.1:%1").arg(m_server.serviceUrl().port()));
}

void TestProtocol::signature_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("accepted");
    const QString tms = QString::number(QDateTime::currentMSecsSinceEpoch());
    const QString sgn = md5(tms);
    QTest::newRow("good") << QStringLiteral("tms=%1&sgn=%2").arg(tms, sgn) << true;
    QTest::newRow("wrong digest") << QStringLiteral("tms=%1&sgn=%2").arg(tms, md5(tms + QLatin1Char('1'))) << false;
    QTest::newRow("upper-case hex") << QStringLiteral("tms=%1&sgn=%2").arg(tms, sgn.toUpper()) << false;
    QTest::newRow("no sgn") << QStringLiteral("tms=%1").arg(tms) << false;
    QTest::newRow("sgn before tms") << QStringLiteral("sgn=%2&tms=%1").arg(tms, sgn) << false;
    QTest::newRow("tms not a number") << QStringLiteral("tms=abc&sgn=%1").arg(md5(QStringLiteral("abc"))) << false;
    QTest::newRow("not last") << QStringLiteral("tms=%1&sgn=%2&acc=1").arg(tms, sgn) << false;
}

void TestProtocol::signature()
{
    QFETCH(QString, query);
    QFETCH(bool, accepted);
    const Http h = get(service(QStringLiteral("/user/verify?") + query));
    QCOMPARE(h.status, 200);
    const QJsonObject reply = jsonOf(h.body);
    QCOMPARE(reply.value(QLatin1String("res")).toInt(), 0);   // the connection test is always refused
    QCOMPARE(reply.value(QLatin1String("msg")).toString() == QStringLiteral("签名错误"), !accepted);
}

void TestProtocol::login_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("res");
    QTest::addColumn<QString>("name");
    QTest::newRow("8 digits") << QStringLiteral("20170101") << QStringLiteral("demo8888") << 1 << QStringLiteral("张明远");
    QTest::newRow("11 digits") << QStringLiteral("13800138000") << QStringLiteral("demo1111") << 1 << QStringLiteral("李静");
    QTest::newRow("guest") << QString() << QString() << 1 << QStringLiteral("游客");
    QTest::newRow("wrong password") << QStringLiteral("20170101") << QStringLiteral("demo1111") << 0 << QString();
    QTest::newRow("guest with a password") << QString() << QStringLiteral("x") << 0 << QString();
    QTest::newRow("not registered") << QStringLiteral("20179999") << QStringLiteral("demo8888") << -1 << QString();
}

void TestProtocol::login()
{
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(int, res);
    QFETCH(QString, name);
    const QJsonObject reply = login(account, password);
    QCOMPARE(reply.value(QLatin1String("res")).toInt(), res);
    QVERIFY(!reply.value(QLatin1String("msg")).toString().isEmpty());
    if (res > 0) {
        const QJsonObject data = reply.value(QLatin1String("data")).toObject();
        QVERIFY(!data.value(QLatin1String("ssn")).toString().isEmpty());
        QCOMPARE(data.value(QLatin1String("usr")).toObject().value(QLatin1String("nam")).toString(), name);
    }
}

void TestProtocol::loginReplyTypes()
{
    const QJsonObject reply = login(QStringLiteral("20170101"), QStringLiteral("demo8888"));
    QVERIFY(reply.value(QLatin1String("res")).isDouble());
    const QJsonObject data = reply.value(QLatin1String("data")).toObject();
    const QJsonObject cfg = data.value(QLatin1String("cfg")).toObject();
    for (const char *key : {"BLT_CNT", "BLT_VER", "BLT_USR", "SFT_VER", "SFT_WIN"})
        QVERIFY2(cfg.value(QLatin1String(key)).isString(), key);
    for (const char *key : {"BLT_VLD", "YER_LST", "YER_ACE"})
        QVERIFY2(cfg.value(QLatin1String(key)).isDouble(), key);
    QCOMPARE(cfg.value(QLatin1String("BLT_USR")).toString(), QStringLiteral("ALL"));
    QVERIFY(cfg.value(QLatin1String("SFT_VER")).toString().contains(QLatin1String("|2017.01|")));
    const QJsonObject facts = m_server.manifest().value(QLatin1String("facts")).toObject();
    QCOMPARE(cfg.value(QLatin1String("YER_LST")).toInt(), facts.value(QLatin1String("listYear")).toInt());
    QCOMPARE(cfg.value(QLatin1String("SFT_WIN")).toString(), facts.value(QLatin1String("upgradeFile")).toString());
    for (const char *key : {"prt", "ins", "anl", "msk"})
        QVERIFY2(data.value(QLatin1String(key)).isString(), key);
    for (const char *key : {"sub", "fav", "blk"}) {
        QVERIFY2(data.value(QLatin1String(key)).isArray(), key);
        QVERIFY2(!data.value(QLatin1String(key)).toArray().isEmpty(), key);
    }
    const QJsonObject sub = data.value(QLatin1String("sub")).toArray().first().toObject();
    QVERIFY(sub.value(QLatin1String("cnt")).toString().startsWith(QLatin1String("%7B")));   // stays percent-encoded
    const QJsonObject content = QJsonDocument::fromJson(QUrl::fromPercentEncoding(sub.value(QLatin1String("cnt")).toString().toUtf8()).toUtf8()).object();
    for (const char *key : {"ttl", "ins", "anl", "cod"})
        QVERIFY2(content.contains(QLatin1String(key)), key);
    // The portfolio, blocks and favourites point at data that exists.
    QVERIFY(QRegularExpression(QStringLiteral("^([0-9]{6}\\.(SH|SZ),)*[0-9]{6}\\.(SH|SZ)$")).match(data.value(QLatin1String("prt")).toString()).hasMatch());
    bool emptyItem = false;
    for (const QJsonValue &v : data.value(QLatin1String("fav")).toArray())
        emptyItem = emptyItem || v.toObject().value(QLatin1String("lst")).toString().contains(QLatin1String(",,"));
    QVERIFY(emptyItem);
}

void TestProtocol::loginFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("login_refused") << QStringLiteral("login_refused");
    QTest::newRow("login_unregistered") << QStringLiteral("login_unregistered");
    QTest::newRow("login_empty_msg") << QStringLiteral("login_empty_msg");
    QTest::newRow("old_version") << QStringLiteral("old_version");
    QTest::newRow("bulletin") << QStringLiteral("bulletin");
    QTest::newRow("bulletin_vip") << QStringLiteral("bulletin_vip");
    QTest::newRow("sft_win_traversal") << QStringLiteral("sft_win_traversal");
    QTest::newRow("sft_win_empty") << QStringLiteral("sft_win_empty");
}

void TestProtocol::loginFaults()
{
    QFETCH(QString, fault);
    const QJsonObject normal = login(QStringLiteral("20170101"), QStringLiteral("demo8888"));
    QVERIFY(m_server.setFault(fault));
    const QJsonObject reply = login(QStringLiteral("20170101"), QStringLiteral("demo8888"));
    const int res = reply.value(QLatin1String("res")).toInt();
    const QString msg = reply.value(QLatin1String("msg")).toString();
    const QJsonObject cfg = reply.value(QLatin1String("data")).toObject().value(QLatin1String("cfg")).toObject();
    const QJsonObject normalCfg = normal.value(QLatin1String("data")).toObject().value(QLatin1String("cfg")).toObject();
    if (fault == QLatin1String("login_refused")) {
        QVERIFY(res == 0 && !msg.isEmpty());
    } else if (fault == QLatin1String("login_unregistered")) {
        QVERIFY(res < 0 && !msg.isEmpty());
    } else if (fault == QLatin1String("login_empty_msg")) {
        QVERIFY(res > 0);
        QVERIFY(reply.contains(QLatin1String("msg")) && msg.isEmpty());
    } else if (fault == QLatin1String("old_version")) {
        QVERIFY(res > 0);
        QVERIFY(!cfg.value(QLatin1String("SFT_VER")).toString().contains(QLatin1String("|2017.01|")));
        QVERIFY(cfg.value(QLatin1String("SFT_VER")).toString().contains(QLatin1String("2017.01")));
    } else if (fault == QLatin1String("bulletin") || fault == QLatin1String("bulletin_vip")) {
        QCOMPARE(normalCfg.value(QLatin1String("BLT_VLD")).toInt(), 0);
        QCOMPARE(cfg.value(QLatin1String("BLT_VLD")).toInt(), 1);
        QVERIFY(cfg.value(QLatin1String("BLT_VER")).toString() != normalCfg.value(QLatin1String("BLT_VER")).toString());
        QCOMPARE(cfg.value(QLatin1String("BLT_USR")).toString() == QLatin1String("ALL"), fault == QLatin1String("bulletin"));
        QVERIFY(!cfg.value(QLatin1String("BLT_CNT")).toString().isEmpty());
    } else if (fault == QLatin1String("sft_win_traversal")) {
        QCOMPARE(cfg.value(QLatin1String("SFT_WIN")).toString(), QStringLiteral("../x"));
    } else if (fault == QLatin1String("sft_win_empty")) {
        QVERIFY(cfg.value(QLatin1String("SFT_WIN")).isString());
        QVERIFY(cfg.value(QLatin1String("SFT_WIN")).toString().isEmpty());
    }
    QVERIFY(m_server.setFault(fault, false));
    QCOMPARE(login(QStringLiteral("20170101"), QStringLiteral("demo8888")).value(QLatin1String("msg")).toString(), QStringLiteral("登录成功"));
}

void TestProtocol::secondServicePort()
{
    const Http h = get(QUrl(m_server.serviceUrl2().toString()
                            + QStringLiteral("/user/verify?acc=13800138000&pwd=%1&mac=&%2").arg(md5(QStringLiteral("demo1111")), signedPart())));
    QCOMPARE(jsonOf(h.body).value(QLatin1String("res")).toInt(), 1);
}

void TestProtocol::compressedForm()
{
    const Http tst = get(object(QStringLiteral("/tst/TST.DAT")));
    QCOMPARE(tst.status, 200);
    QCOMPARE(tst.contentLength, qint64(tst.body.size()));
    const QByteArray text = qUncompress(tst.body);
    QCOMPARE(declaredLength(tst.body), quint32(text.size()));
    const QJsonValue result = jsonOf(text).value(QLatin1String("result"));
    QVERIFY(result.isDouble());
    QCOMPARE(result.toInt(), 1);

    const Http idx = get(object(QStringLiteral("/dat/IDX.DAT")));
    QCOMPARE(idx.status, 200);
    QCOMPARE(idx.contentLength, qint64(idx.body.size()));
    const QByteArray index = qUncompress(idx.body);
    QCOMPARE(declaredLength(idx.body), quint32(index.size()));
    QVERIFY(!jsonOf(index).value(QLatin1String("data")).toArray().isEmpty());
}

void TestProtocol::testFileFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("result");   // the JSON text of "result"
    QTest::newRow("tst_text") << QStringLiteral("tst_text") << QStringLiteral("\"1\"");
    QTest::newRow("tst_half") << QStringLiteral("tst_half") << QStringLiteral("0.5");
    QTest::newRow("tst_zero") << QStringLiteral("tst_zero") << QStringLiteral("0");
    QTest::newRow("tst_plain") << QStringLiteral("tst_plain") << QStringLiteral("1");
}

void TestProtocol::testFileFaults()
{
    QFETCH(QString, fault);
    QFETCH(QString, result);
    QVERIFY(m_server.setFault(fault));
    const Http h = get(object(QStringLiteral("/tst/TST.DAT")));
    QCOMPARE(h.status, 200);
    const QByteArray text = fault == QLatin1String("tst_plain") ? h.body : qUncompress(h.body);
    if (fault == QLatin1String("tst_plain"))
        QVERIFY(qUncompress(h.body).isEmpty());
    const QJsonValue value = jsonOf(text).value(QLatin1String("result"));
    QCOMPARE(QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact)), QLatin1Char('[') + result + QLatin1Char(']'));
}

void TestProtocol::indexAgreesWithManifest()
{
    const QJsonArray index = jsonOf(qUncompress(get(object(QStringLiteral("/dat/IDX.DAT"))).body)).value(QLatin1String("data")).toArray();
    const QJsonArray packages = m_server.manifest().value(QLatin1String("packages")).toArray();
    QCOMPARE(index.size(), packages.size());
    QSet<QString> bases;
    int lastReport = -1, firstRating = index.size(), firstDelete = index.size(), lastOther = -1;
    bool before2012 = false;
    for (int k = 0; k < index.size(); ++k) {
        const QJsonObject e = index.at(k).toObject();
        const QString name = e.value(QLatin1String("dt")).toString();
        QCOMPARE(name, packages.at(k).toObject().value(QLatin1String("name")).toString());
        QCOMPARE(e.value(QLatin1String("tM")).toString(), packages.at(k).toObject().value(QLatin1String("tM")).toString());
        QVERIFY(QDateTime::fromString(e.value(QLatin1String("tM")).toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss")).isValid());
        QVERIFY2(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('?')), qPrintable(name));
        const QString base = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('_'), 0, 0);
        QVERIFY2(!bases.contains(base), qPrintable(base));
        bases.insert(base);
        if (name.contains(QLatin1String("DEL")))
            firstDelete = qMin(firstDelete, k);
        else if (name.startsWith(QLatin1String("RPT")))
            lastReport = k;
        else if (name.startsWith(QLatin1String("RAT")))
            firstRating = qMin(firstRating, k);
        else
            lastOther = k;
        if (base.contains(QLatin1String("MTH")) && base.mid(base.indexOf(QLatin1String("MTH")) + 3, 4).toInt() < 2012)
            before2012 = true;
    }
    QVERIFY(lastReport < firstRating);
    QVERIFY(lastOther < firstDelete);
    QVERIFY(before2012);
    QVERIFY(bases.contains(QStringLiteral("RPTTDY")) && bases.contains(QStringLiteral("RATTDY")));
    QVERIFY(index.at(0).toObject().value(QLatin1String("dt")).toString().startsWith(QLatin1String("STK")));
}

void TestProtocol::packagesAgreeWithManifest()
{
    for (const QJsonValue &v : m_server.manifest().value(QLatin1String("packages")).toArray()) {
        const QJsonObject p = v.toObject();
        const QString name = p.value(QLatin1String("name")).toString();
        const Http h = get(object(QStringLiteral("/dat/") + name));
        QCOMPARE(h.status, 200);
        QCOMPARE(qint64(h.body.size()), qint64(p.value(QLatin1String("bytes")).toDouble()));
        const QByteArray text = qUncompress(h.body);
        QCOMPARE(declaredLength(h.body), quint32(text.size()));
        const QJsonDocument doc = QJsonDocument::fromJson(text);
        QVERIFY2(doc.isObject(), qPrintable(name));
        QCOMPARE(doc.object().value(QLatin1String("data")).toArray().size(), p.value(QLatin1String("rows")).toInt());
    }
    QCOMPARE(get(object(QStringLiteral("/dat/NOSUCH.DAT"))).status, 404);
    QCOMPARE(get(object(QStringLiteral("/dat/..%2Fmanifest.json"))).status, 404);
}

void TestProtocol::dayPricesAgreeWithStockPackage()
{
    const QJsonObject sample = m_server.manifest().value(QLatin1String("facts")).toObject().value(QLatin1String("sampleStock")).toObject();
    const QString code = sample.value(QLatin1String("code")).toString();
    const Http h = get(object(QStringLiteral("/day/") + code));
    QCOMPARE(h.status, 200);
    const QJsonArray rows = jsonOf(qUncompress(h.body)).value(QLatin1String("data")).toArray();
    QCOMPARE(rows.size(), sample.value(QLatin1String("priceCount")).toInt());
    QString newest;
    double lastFactor = 0;
    QString lastDate;
    int steps = 0;
    for (const QJsonValue &v : rows) {
        const QJsonObject r = v.toObject();
        for (const char *key : {"pO", "pH", "pL", "pC", "ch", "fc"})
            QVERIFY2(r.value(QLatin1String(key)).isDouble(), key);
        QVERIFY(QDate::fromString(r.value(QLatin1String("dt")).toString(), QStringLiteral("yyyy-MM-dd")).isValid());
        QVERIFY(r.value(QLatin1String("dt")).toString() > lastDate);
        lastDate = r.value(QLatin1String("dt")).toString();
        newest = qMax(newest, r.value(QLatin1String("tM")).toString());
        if (lastFactor != 0 && r.value(QLatin1String("fc")).toDouble() != lastFactor)
            ++steps;
        lastFactor = r.value(QLatin1String("fc")).toDouble();
        QVERIFY(r.value(QLatin1String("pL")).toDouble() <= r.value(QLatin1String("pH")).toDouble());
    }
    QCOMPARE(newest, sample.value(QLatin1String("priceModify")).toString());
    QCOMPARE(lastFactor, sample.value(QLatin1String("factor")).toDouble());

    // The stock package says the same: count, newest modification time, factor.
    const QJsonArray stocks = jsonOf(qUncompress(get(object(QStringLiteral("/dat/STK.DAT"))).body)).value(QLatin1String("data")).toArray();
    bool found = false;
    int withSplits = 0;
    for (const QJsonValue &v : stocks) {
        const QJsonObject s = v.toObject();
        if (s.value(QLatin1String("cd")).toString() != code)
            continue;
        found = true;
        QCOMPARE(s.value(QLatin1String("pN")).toInt(), rows.size());
        QCOMPARE(s.value(QLatin1String("pM")).toString(), newest);
        QCOMPARE(s.value(QLatin1String("pF")).toDouble(), lastFactor);
        QCOMPARE(s.value(QLatin1String("pD")).toString(), lastDate);
    }
    QVERIFY(found);
    // Splits show up as factor steps somewhere in the data.
    for (int k = 0; k < stocks.size() && withSplits == 0; ++k) {
        const QString c = stocks.at(k).toObject().value(QLatin1String("cd")).toString();
        const QJsonArray days = jsonOf(qUncompress(get(object(QStringLiteral("/day/") + c)).body)).value(QLatin1String("data")).toArray();
        for (int d = 1; d < days.size(); ++d) {
            if (days.at(d).toObject().value(QLatin1String("fc")).toDouble() > days.at(d - 1).toObject().value(QLatin1String("fc")).toDouble())
                ++withSplits;
        }
    }
    QVERIFY(withSplits > 0 || steps > 0);
    QCOMPARE(get(object(QStringLiteral("/day/999999.SH"))).status, 404);
}

void TestProtocol::reportFileAndShare()
{
    const QString ssn = session();
    const QJsonObject files = m_server.manifest().value(QLatin1String("facts")).toObject().value(QLatin1String("reportFiles")).toObject();
    const QList<QPair<QString, QByteArray>> kinds = {{QStringLiteral("PDF"), "%PDF-"}, {QStringLiteral("DOC"), "{\\rtf1"},
                                                     {QStringLiteral("XLS"), "<?xml"}, {QStringLiteral("none"), "%PDF-"}};
    for (const auto &kind : kinds) {
        const QString id = files.value(kind.first).toString();
        QVERIFY2(!id.isEmpty(), qPrintable(kind.first));
        const QJsonObject reply = jsonOf(get(service(QStringLiteral("/report/file?ssn=%1&id=%2&%3").arg(ssn, id, signedPart()))).body);
        QCOMPARE(reply.value(QLatin1String("res")).toInt(), 1);
        const QUrl obj(reply.value(QLatin1String("data")).toObject().value(QLatin1String("obj")).toString());
        QCOMPARE(obj.scheme(), QStringLiteral("http"));
        QVERIFY(obj.toString().startsWith(m_server.objectUrl().toString() + QLatin1Char('/')));
        const Http file = get(obj);
        QCOMPARE(file.status, 200);
        QVERIFY2(file.body.startsWith(kind.second), file.body.left(20).constData());   // served as is, not compressed
        QCOMPARE(file.contentLength, qint64(file.body.size()));
    }
    const QString deleted = m_server.manifest().value(QLatin1String("facts")).toObject().value(QLatin1String("deletedReports")).toArray().first().toString();
    QCOMPARE(jsonOf(get(service(QStringLiteral("/report/file?ssn=%1&id=%2&%3").arg(ssn, deleted, signedPart()))).body).value(QLatin1String("res")).toInt(), 0);
    QVERIFY(jsonOf(get(service(QStringLiteral("/report/file?ssn=nosuch&id=%1&%2").arg(files.value(QLatin1String("PDF")).toString(), signedPart()))).body)
                .value(QLatin1String("res")).toInt() < 0);

    const QJsonObject share = jsonOf(get(service(QStringLiteral("/report/share?ssn=%1&id=%2&%3").arg(ssn, files.value(QLatin1String("PDF")).toString(), signedPart()))).body);
    QCOMPARE(share.value(QLatin1String("res")).toInt(), 1);
    QVERIFY(share.value(QLatin1String("data")).toObject().value(QLatin1String("id")).isString());
    QVERIFY(!share.value(QLatin1String("data")).toObject().value(QLatin1String("id")).toString().isEmpty());
}

void TestProtocol::reportFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("file_refused") << QStringLiteral("file_refused");
    QTest::newRow("file_obj_file") << QStringLiteral("file_obj_file");
    QTest::newRow("file_obj_qrc") << QStringLiteral("file_obj_qrc");
    QTest::newRow("file_empty") << QStringLiteral("file_empty");
    QTest::newRow("share_refused") << QStringLiteral("share_refused");
}

void TestProtocol::reportFaults()
{
    QFETCH(QString, fault);
    const QString ssn = session();
    const QString id = m_server.manifest().value(QLatin1String("facts")).toObject().value(QLatin1String("reportFiles")).toObject().value(QLatin1String("PDF")).toString();
    QVERIFY(m_server.setFault(fault));
    const QJsonObject file = jsonOf(get(service(QStringLiteral("/report/file?ssn=%1&id=%2&%3").arg(ssn, id, signedPart()))).body);
    const QJsonObject share = jsonOf(get(service(QStringLiteral("/report/share?ssn=%1&id=%2&%3").arg(ssn, id, signedPart()))).body);
    const QString obj = file.value(QLatin1String("data")).toObject().value(QLatin1String("obj")).toString();
    if (fault == QLatin1String("file_refused")) {
        QCOMPARE(file.value(QLatin1String("res")).toInt(), 0);
        QVERIFY(!file.value(QLatin1String("msg")).toString().isEmpty());
    } else if (fault == QLatin1String("file_obj_file")) {
        QVERIFY(obj.startsWith(QLatin1String("file:")));
    } else if (fault == QLatin1String("file_obj_qrc")) {
        QVERIFY(obj.startsWith(QLatin1String("qrc:")));
    } else if (fault == QLatin1String("file_empty")) {
        const Http h = get(QUrl(obj));
        QCOMPARE(h.status, 200);
        QCOMPARE(h.body.size(), 0);
        QCOMPARE(h.contentLength, qint64(0));
    }
    QCOMPARE(share.value(QLatin1String("res")).toInt(), fault == QLatin1String("share_refused") ? 0 : 1);
    if (fault != QLatin1String("file_refused"))
        QCOMPARE(file.value(QLatin1String("res")).toInt(), 1);
}

void TestProtocol::uploadEchoAndNames()
{
    const QString ssn = session(QStringLiteral("13800138000"), QStringLiteral("demo1111"));
    // Names arrive percent-encoded and are stored decoded; a subscription's content stays encoded.
    const QByteArray favourite = "[{\"nam\":\"" + QUrl::toPercentEncoding(QStringLiteral("新 收藏")) + "\",\"lst\":\"10000004,10000007\"}]";
    QJsonObject reply = upload(QStringLiteral("favorite"), ssn, QStringLiteral("1484000000123"), favourite);
    QCOMPARE(reply.value(QLatin1String("res")).toInt(), 1);
    const QJsonValue mdf = reply.value(QLatin1String("data")).toObject().value(QLatin1String("mdf"));
    QVERIFY(mdf.isDouble());
    QCOMPARE(qint64(mdf.toDouble()), Q_INT64_C(1484000000123));

    const QByteArray content = QUrl::toPercentEncoding(QStringLiteral("{\"ttl\":\"银行\",\"ins\":\"\",\"anl\":\"\",\"cod\":\"\"}"));
    const QByteArray subscription = "[{\"nam\":\"" + QUrl::toPercentEncoding(QStringLiteral("银行")) + "\",\"cnt\":\"" + content + "\"}]";
    QCOMPARE(upload(QStringLiteral("subscribe"), ssn, QStringLiteral("2"), subscription).value(QLatin1String("res")).toInt(), 1);
    QCOMPARE(upload(QStringLiteral("block"), ssn, QStringLiteral("3"), "[]").value(QLatin1String("res")).toInt(), 1);
    QCOMPARE(upload(QStringLiteral("inst"), ssn, QStringLiteral("4"), QStringLiteral("长城证券,高盛").toUtf8()).value(QLatin1String("res")).toInt(), 1);
    QCOMPARE(upload(QStringLiteral("analyst"), ssn, QStringLiteral("5"), QByteArray()).value(QLatin1String("res")).toInt(), 1);

    const QJsonObject data = login(QStringLiteral("13800138000"), QStringLiteral("demo1111")).value(QLatin1String("data")).toObject();
    const QJsonObject fav = data.value(QLatin1String("fav")).toArray().first().toObject();
    QCOMPARE(fav.value(QLatin1String("nam")).toString(), QStringLiteral("新 收藏"));
    QCOMPARE(fav.value(QLatin1String("lst")).toString(), QStringLiteral("10000004,10000007"));
    const QJsonObject sub = data.value(QLatin1String("sub")).toArray().first().toObject();
    QCOMPARE(sub.value(QLatin1String("nam")).toString(), QStringLiteral("银行"));
    QCOMPARE(sub.value(QLatin1String("cnt")).toString(), QString::fromLatin1(content));
    QVERIFY(data.value(QLatin1String("blk")).toArray().isEmpty());
    QCOMPARE(data.value(QLatin1String("ins")).toString(), QStringLiteral("长城证券,高盛"));
    QCOMPARE(data.value(QLatin1String("anl")).toString(), QString());

    // Other accounts keep their own lists.
    const QJsonObject other = login(QStringLiteral("20170101"), QStringLiteral("demo8888")).value(QLatin1String("data")).toObject();
    QVERIFY(other.value(QLatin1String("fav")).toArray().first().toObject().value(QLatin1String("nam")).toString() != QStringLiteral("新 收藏"));
}

void TestProtocol::uploadsSurviveRestart()
{
    const QString ssn = session();
    const QByteArray block = "[{\"nam\":\"" + QUrl::toPercentEncoding(QStringLiteral("重启")) + "\",\"lst\":\"600000.SH\"}]";
    QCOMPARE(upload(QStringLiteral("block"), ssn, QStringLiteral("7"), block).value(QLatin1String("res")).toInt(), 1);
    QVERIFY2(m_server.restart(), qPrintable(m_server.errorString()));
    // The session is gone, the lists are not.
    QVERIFY(upload(QStringLiteral("block"), ssn, QStringLiteral("8"), block).value(QLatin1String("res")).toInt() < 0);
    const QJsonObject data = login(QStringLiteral("20170101"), QStringLiteral("demo8888")).value(QLatin1String("data")).toObject();
    QCOMPARE(data.value(QLatin1String("blk")).toArray().first().toObject().value(QLatin1String("nam")).toString(), QStringLiteral("重启"));
}

void TestProtocol::uploadRefusals_data()
{
    QTest::addColumn<QString>("ssn");         // "" = a fresh session
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("res");
    QTest::addColumn<bool>("echoesMdf");
    QTest::newRow("unknown session") << QStringLiteral("0123") << QByteArray("text/plain") << QByteArray("[]") << -1 << true;
    QTest::newRow("not text/plain") << QString() << QByteArray("application/json") << QByteArray("[]") << 0 << false;
    QTest::newRow("not JSON") << QString() << QByteArray("text/plain") << QByteArray("{nam:") << 0 << false;
    QTest::newRow("no name") << QString() << QByteArray("text/plain") << QByteArray("[{\"lst\":\"1\"}]") << 0 << false;
}

void TestProtocol::uploadRefusals()
{
    QFETCH(QString, ssn);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(int, res);
    QFETCH(bool, echoesMdf);
    const QJsonObject reply = upload(QStringLiteral("favorite"), ssn.isEmpty() ? session() : ssn, QStringLiteral("99"), body, contentType);
    QCOMPARE(reply.value(QLatin1String("res")).toInt(), res);
    QVERIFY(!reply.value(QLatin1String("msg")).toString().isEmpty());
    QCOMPARE(reply.value(QLatin1String("data")).toObject().contains(QLatin1String("mdf")), echoesMdf);

    // A session that timed out on the service is refused the same way.
    const QString fresh = session();
    QVERIFY(m_server.dropSessions());
    QVERIFY(upload(QStringLiteral("inst"), fresh, QStringLiteral("1"), "x").value(QLatin1String("res")).toInt() < 0);
}

void TestProtocol::uploadFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("res");
    QTest::addColumn<bool>("echoesMdf");
    QTest::newRow("upload_refused") << QStringLiteral("upload_refused") << 0 << false;
    QTest::newRow("upload_no_mdf") << QStringLiteral("upload_no_mdf") << 1 << false;
    QTest::newRow("session_timeout") << QStringLiteral("session_timeout") << -1 << true;
    QTest::newRow("session_timeout_no_mdf") << QStringLiteral("session_timeout_no_mdf") << -1 << false;
}

void TestProtocol::uploadFaults()
{
    QFETCH(QString, fault);
    QFETCH(int, res);
    QFETCH(bool, echoesMdf);
    const QString ssn = session();
    QVERIFY(m_server.setFault(fault));
    for (const QString &kind : {QStringLiteral("inst"), QStringLiteral("subscribe"), QStringLiteral("favorite"),
                                QStringLiteral("block"), QStringLiteral("analyst")}) {
        const QByteArray body = kind == QLatin1String("inst") || kind == QLatin1String("analyst") ? QByteArray() : QByteArray("[]");
        const QJsonObject reply = upload(kind, ssn, QStringLiteral("1484000000999"), body);
        QCOMPARE(reply.value(QLatin1String("res")).toInt(), res);
        const QJsonObject data = reply.value(QLatin1String("data")).toObject();
        QCOMPARE(data.contains(QLatin1String("mdf")), echoesMdf);
        if (echoesMdf)
            QCOMPARE(qint64(data.value(QLatin1String("mdf")).toDouble()), Q_INT64_C(1484000000999));
    }
}

void TestProtocol::httpFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::newRow("500 everywhere") << QStringLiteral("http_500") << QString() << 500;
    QTest::newRow("404 everywhere") << QStringLiteral("http_404") << QString() << 404;
    QTest::newRow("500 on the index only") << QStringLiteral("http_500") << QStringLiteral("/oss/dat/IDX.DAT") << 500;
}

void TestProtocol::httpFaults()
{
    QFETCH(QString, fault);
    QFETCH(QString, path);
    QFETCH(int, status);
    QVERIFY(m_server.setFault(fault, true, path));
    QCOMPARE(get(object(QStringLiteral("/dat/IDX.DAT"))).status, status);
    const int verify = get(service(QStringLiteral("/user/verify?") + signedPart())).status;
    const int tst = get(object(QStringLiteral("/tst/TST.DAT"))).status;
    QCOMPARE(verify, path.isEmpty() ? status : 200);
    QCOMPARE(tst, path.isEmpty() ? status : 200);
}

void TestProtocol::stall()
{
    QVERIFY(m_server.setFault(QStringLiteral("stall"), true, QStringLiteral("/oss/tst/")));
    QNetworkReply *reply = m_net.get(QNetworkRequest(object(QStringLiteral("/tst/TST.DAT"))));
    QSignalSpy headers(reply, &QNetworkReply::metaDataChanged);
    QVERIFY(headers.wait(10000));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QVERIFY(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > 0);
    QTest::qWait(1500);
    QCOMPARE(reply->bytesAvailable(), qint64(0));
    QVERIFY(!reply->isFinished());
    reply->abort();
    delete reply;
}

void TestProtocol::truncate()
{
    QVERIFY(m_server.setFault(QStringLiteral("truncate"), true, QStringLiteral("/oss/dat/STK.DAT")));
    const Http h = get(object(QStringLiteral("/dat/STK.DAT")));
    QVERIFY(h.contentLength > 0);
    QVERIFY(h.error != QNetworkReply::NoError || h.body.size() < h.contentLength);
    QVERIFY(qUncompress(h.body).isEmpty());
}

void TestProtocol::packageFaults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("pkg_corrupt") << QStringLiteral("pkg_corrupt");
    QTest::newRow("pkg_not_json") << QStringLiteral("pkg_not_json");
    QTest::newRow("pkg_bomb") << QStringLiteral("pkg_bomb");
}

void TestProtocol::packageFaults()
{
    QFETCH(QString, fault);
    QVERIFY(m_server.setFault(fault));
    const Http h = get(object(QStringLiteral("/dat/RPTTDY.DAT")));
    QCOMPARE(h.status, 200);
    if (fault == QLatin1String("pkg_corrupt")) {
        QVERIFY(qUncompress(h.body).isEmpty());
    } else if (fault == QLatin1String("pkg_not_json")) {
        const QByteArray text = qUncompress(h.body);
        QVERIFY(!text.isEmpty());
        QJsonParseError error;
        QJsonDocument::fromJson(text, &error);
        QVERIFY(error.error != QJsonParseError::NoError);
    } else {
        QVERIFY(declaredLength(h.body) >= 0x70000000u);   // not inflated here, on purpose
        QVERIFY(h.body.size() < 1 << 20);
    }
    // The index is left alone unless the fault names it.
    QVERIFY(!jsonOf(qUncompress(get(object(QStringLiteral("/dat/IDX.DAT"))).body)).value(QLatin1String("data")).toArray().isEmpty());
    QVERIFY(m_server.setFault(fault, true, QStringLiteral("/oss/dat/IDX.DAT")));
    const QByteArray index = qUncompress(get(object(QStringLiteral("/dat/IDX.DAT"))).body);
    QVERIFY(fault == QLatin1String("pkg_bomb") || jsonOf(index).value(QLatin1String("data")).toArray().isEmpty());
    QVERIFY(!jsonOf(qUncompress(get(object(QStringLiteral("/dat/RPTTDY.DAT"))).body)).value(QLatin1String("data")).toArray().isEmpty());
}

void TestProtocol::hostileRows()
{
    QVERIFY(m_server.setFault(QStringLiteral("hostile_rows")));
    const QJsonArray index = jsonOf(qUncompress(get(object(QStringLiteral("/dat/IDX.DAT"))).body)).value(QLatin1String("data")).toArray();
    QStringList names;
    for (const QJsonValue &v : index)
        names.append(v.toObject().value(QLatin1String("dt")).toString());
    for (const QString &name : {QStringLiteral("STKBAD.DAT"), QStringLiteral("RPTBAD.DAT"), QStringLiteral("RATBAD.DAT"), QStringLiteral("ANLBAD.DAT")}) {
        QVERIFY2(names.contains(name), qPrintable(name));
        const QJsonArray rows = jsonOf(qUncompress(get(object(QStringLiteral("/dat/") + name)).body)).value(QLatin1String("data")).toArray();
        QVERIFY(!rows.isEmpty());
        bool apostrophe = false;
        bool sqlInNumber = false;
        for (const QJsonValue &row : rows) {
            const QJsonObject r = row.toObject();
            for (auto it = r.begin(); it != r.end(); ++it) {
                apostrophe = apostrophe || it.value().toString().contains(QLatin1Char('\''));
                sqlInNumber = sqlInNumber || it.value().toString().contains(QLatin1String("1=1"))
                              || it.value().toString().contains(QLatin1String("; --"));
            }
        }
        QVERIFY2(apostrophe && sqlInNumber, qPrintable(name));
    }
    QVERIFY(m_server.setFault(QStringLiteral("hostile_rows"), false));
    QCOMPARE(get(object(QStringLiteral("/dat/RPTBAD.DAT"))).status, 404);
}

void TestProtocol::pages_data()
{
    QTest::addColumn<QString>("path");
    for (const char *p : {"/web/register", "/web/password", "/web/card", "/web/share?id=ABC", "/report", "/rating",
                          "/consensus", "/matrix", "/ace", "/help", "/search"})
        QTest::newRow(p) << QString::fromLatin1(p);
}

void TestProtocol::pages()
{
    QFETCH(QString, path);
    const Http h = get(service(path));
    QCOMPARE(h.status, 200);
    QVERIFY(h.contentType.startsWith("text/html"));
    QVERIFY(h.body.contains("<html>"));
}

void TestProtocol::requestLog()
{
    m_server.clearRequestLog();
    const QString ssn = session();
    upload(QStringLiteral("inst"), ssn, QStringLiteral("42"), QStringLiteral("高盛").toUtf8());
    get(object(QStringLiteral("/tst/TST.DAT")));
    const QList<QJsonObject> log = m_server.requestLog();
    QCOMPARE(log.size(), 3);
    QCOMPARE(log.at(0).value(QLatin1String("path")).toString(), QStringLiteral("/user/verify"));
    QVERIFY(log.at(0).value(QLatin1String("query")).toString().startsWith(QLatin1String("acc=20170101&pwd=")));
    QCOMPARE(log.at(1).value(QLatin1String("method")).toString(), QStringLiteral("POST"));
    QCOMPARE(log.at(1).value(QLatin1String("body")).toString(), QStringLiteral("高盛"));
    QCOMPARE(jsonOf(log.at(1).value(QLatin1String("answer")).toString().toUtf8()).value(QLatin1String("res")).toInt(), 1);
    QCOMPARE(log.at(2).value(QLatin1String("server")).toString(), QStringLiteral("object"));
    QCOMPARE(log.at(2).value(QLatin1String("status")).toInt(), 200);
}

void TestProtocol::unknownFaultIsRefused()
{
    QVERIFY(!m_server.setFault(QStringLiteral("no_such_fault")));
    DevServer bad({QStringLiteral("no_such_fault")});
    QVERIFY(!bad.start());
}

void TestProtocol::stopsCleanly()
{
    QVERIFY(m_server.setFault(QStringLiteral("stall")));
    QNetworkReply *pending = m_net.get(QNetworkRequest(object(QStringLiteral("/dat/IDX.DAT"))));
    QSignalSpy headers(pending, &QNetworkReply::metaDataChanged);
    QVERIFY(headers.wait(10000));
    QVERIFY(m_server.stop());   // SIGTERM ends it, even with a stalled response open
    QVERIFY(!m_server.isRunning());
    pending->abort();
    delete pending;
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
