// The stand-in's protocol, checked from the outside with a plain HTTP client.

#include "devserver.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QtEndian>
#include <QtTest>
#include <memory>

namespace {

struct Http
{
    int status = 0;
    bool finished = false, failed = false;
    QByteArray body;
    qint64 length = -1;   // Content-Length
};

QString md5(const QString &text) { return QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex(); }

QString signedPart()
{
    const QString tms = QString::number(QDateTime::currentMSecsSinceEpoch());
    return QStringLiteral("tms=%1&sgn=%2").arg(tms, md5(tms));
}

QJsonValue jsonOf(const QByteArray &body) { return QJsonDocument::fromJson(body).object(); }
quint32 declaredLength(const QByteArray &body) { return body.size() < 4 ? 0 : qFromBigEndian<quint32>(body.constData()); }

// Qt's compressed form, served whole with its length: empty when any of it is wrong.
QByteArray inflated(const Http &h)
{
    const QByteArray text = qUncompress(h.body);
    return h.status == 200 && h.length == h.body.size() && declaredLength(h.body) == quint32(text.size()) ? text : QByteArray();
}

QJsonArray rowsOf(const Http &h) { return jsonOf(inflated(h))["data"].toArray(); }

// "key:type ..." in key order, to compare a reply's shape at once.
QString shape(const QJsonObject &o)
{
    QStringList out;
    for (auto it = o.begin(); it != o.end(); ++it)
        out << it.key() + ':' + "0bnsaou"[qMin(int(it.value().type()), 6)];
    return out.join(' ');
}

// A service answer as the client weighs it: "res", and whether "msg" is missing or empty.
QString answer(const QJsonValue &r)
{
    const QJsonObject o = r.toObject();
    return QString::number(o.value("res").toInt()) + (!o.contains("msg") ? " no-msg" : o.value("msg").toString().isEmpty() ? " empty-msg" : "");
}

// What a client sees of a request ("probe", its words separated by spaces), normally and with
// a fault switched on. Every fault the stand-in knows is here.
struct Exchange { const char *probe, *fault, *expected; };   // fault as on the command line: NAME[@PATH]
const Exchange kExchanges[] = {
    {"verify tms={tms}&sgn={sgn}", "", "200 0 请输入帐号和密码"},   // the connection test: reachable is all it needs
    {"verify tms={tms}&sgn={bad}", "", "200 0 签名错误"},
    {"verify tms={tms}&sgn={SGN}", "", "200 0 签名错误"},
    {"verify tms={tms}", "", "200 0 签名错误"},
    {"verify sgn={sgn}&tms={tms}", "", "200 0 签名错误"},
    {"verify tms=abc&sgn=900150983cd24fb0d6963f7d28e17f72", "", "200 0 签名错误"},
    {"verify tms={tms}&sgn={sgn}&acc=1", "", "200 0 签名错误"},
    {"login 20170101 demo8888", "", "1 张明远"},
    {"login 13800138000 demo1111 second-port", "", "1 李静"},
    {"login - -", "", "1 游客"},
    {"login 20170101 demo1111", "", "0"},
    {"login - x", "", "0"},
    {"login 20179999 demo8888", "", "-1"},
    {"login 20170101 demo8888", "login_refused", "0"},
    {"login 20170101 demo8888", "login_unregistered", "-1"},
    {"login 20170101 demo8888", "login_empty_msg", "1 empty-msg 张明远"},
    {"config", "", "ver=current blt=0 20170109 ALL win='TamrelSetup-2017.02.exe'"},
    {"config", "old_version", "ver=old blt=0 20170109 ALL win='TamrelSetup-2017.02.exe'"},
    {"config", "bulletin", "ver=current blt=1 20170109.1 ALL win='TamrelSetup-2017.02.exe'"},
    {"config", "bulletin_vip", "ver=current blt=1 20170109.2 VIP win='TamrelSetup-2017.02.exe'"},
    {"config", "sft_win_traversal", "ver=current blt=0 20170109 ALL win='../x'"},
    {"config", "sft_win_empty", "ver=current blt=0 20170109 ALL win=''"},
    {"status", "", "200 200 200"},
    {"status", "http_500", "500 500 500"},
    {"status", "http_404", "404 404 404"},
    {"status", "http_500@/oss/dat/IDX.DAT", "200 200 500"},
    {"transfer", "", "200 whole done"},
    {"transfer", "stall@/oss/dat/STK.DAT", "200 nothing open"},
    {"transfer", "truncate@/oss/dat/STK.DAT", "200 part failed"},
    {"package", "", "idx=json rpt=json"},
    {"package", "pkg_corrupt", "idx=json rpt=corrupt"},
    {"package", "pkg_not_json", "idx=json rpt=text"},
    {"package", "pkg_bomb", "idx=json rpt=bomb"},
    {"package", "pkg_corrupt@/oss/dat/IDX.DAT", "idx=corrupt rpt=json"},
    {"package", "pkg_not_json@/oss/dat/IDX.DAT", "idx=text rpt=json"},
    {"package", "pkg_bomb@/oss/dat/IDX.DAT", "idx=bomb rpt=json"},
    {"hostile", "", "404"},
    {"hostile", "hostile_rows", "STKBAD.DAT ANLBAD.DAT RPTBAD.DAT RATBAD.DAT 200"},
    {"tst", "", "z 1"},
    {"tst", "tst_text", "z \"1\""},
    {"tst", "tst_half", "z 0.5"},
    {"tst", "tst_zero", "z 0"},
    {"tst", "tst_plain", "plain 1"},
    {"report PDF", "", "file=1 http pdf share=1"},
    {"report deleted", "", "file=0 share=0"},
    {"report PDF nosuch", "", "file=-1 share=-1"},
    {"report PDF", "file_refused", "file=0 share=1"},
    {"report PDF", "file_obj_file", "file=1 file share=1"},
    {"report PDF", "file_obj_qrc", "file=1 qrc share=1"},
    {"report PDF", "file_empty", "file=1 http empty share=1"},
    {"report PDF", "share_refused", "file=1 http pdf share=0"},
    {"upload favorite 0123 text/plain []", "", "-1 mdf"},
    {"upload favorite timed-out text/plain []", "", "-1 mdf"},
    {"upload favorite fresh application/json []", "", "0"},
    {"upload favorite fresh text/plain {nam:", "", "0"},
    {"upload favorite fresh text/plain [{\"lst\":\"1\"}]", "", "0"},
    {"uploads", "", "1 mdf"},
    {"uploads", "upload_refused", "0"},
    {"uploads", "upload_no_mdf", "1"},
    {"uploads", "session_timeout", "-1 mdf"},
    {"uploads", "session_timeout_no_mdf", "-1"},
};

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT

    DevServer m_server;
    QNetworkAccessManager m_net;

    Http get(const QUrl &url, const QByteArray &post = QByteArray(), const QByteArray &type = "text/plain", int wait = 20000)
    {
        QNetworkRequest req(url);
        req.setHeader(QNetworkRequest::ContentTypeHeader, type);
        std::unique_ptr<QNetworkReply> reply(post.isNull() ? m_net.get(req) : m_net.post(req, post));
        QSignalSpy(reply.get(), &QNetworkReply::finished).wait(wait);
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        const Http h{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->isFinished(), reply->error() != QNetworkReply::NoError,
                     reply->readAll(), length.isValid() ? length.toLongLong() : -1};
        return h;   // an unfinished reply is aborted as it goes
    }
    QUrl service(const QString &path) const { return QUrl(m_server.serviceUrl().toString() + path); }
    QUrl object(const QString &path) const { return QUrl(m_server.objectUrl().toString() + path); }
    QJsonValue call(const QString &pathAndQuery) { return jsonOf(get(service(pathAndQuery + '&' + signedPart())).body); }
    QJsonValue signIn(const QString &account = "20170101", const QString &password = "demo8888", const QUrl &host = QUrl())
    {
        const QString query = QStringLiteral("/user/verify?acc=%1&pwd=%2&mac=0A1B2C3D4E5F&%3").arg(account, md5(password), signedPart());
        return jsonOf(get(QUrl((host.isEmpty() ? m_server.serviceUrl() : host).toString() + query)).body);
    }
    QString session() { return signIn()["data"]["ssn"].toString(); }
    QJsonValue upload(const QString &kind, const QString &ssn, const QString &mdf, const QByteArray &body,
                      const QByteArray &type = "text/plain; charset=utf-8")
    {
        return jsonOf(get(service(QStringLiteral("/customize/%1?ssn=%2&mdf=%3&%4").arg(kind, ssn, mdf, signedPart())), body, type).body);
    }
    QJsonValue facts() const { return m_server.manifest().value("facts"); }
    QString outcome(const QString &probe);

private slots:
    void initTestCase()
    {
        m_net.setProxy(QNetworkProxy::NoProxy);
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
    }

    void cleanup() { QVERIFY2(m_server.resetFaults(), qPrintable(m_server.errorString())); }

    void hostsIni()
    {
        QSettings ini(qEnvironmentVariable("TAMREL_HOSTS"), QSettings::IniFormat);
        ini.setIniCodec("UTF-8");
        const QString base = m_server.serviceUrl().toString(), base2 = m_server.serviceUrl2().toString();
        QVERIFY(base != base2 && m_server.objectUrl().path() == "/oss" && ini.value("ObjectHost/Host") == m_server.objectUrl().toString());
        QCOMPARE(jsonOf(ini.value("ServiceHost/Host0").toString().toUtf8()), QJsonValue(QJsonObject{{"name", "杭州服务器"}, {"host", base}}));
        QCOMPARE(jsonOf(ini.value("ServiceHost/Host1").toString().toUtf8()), QJsonValue(QJsonObject{{"name", "北京服务器"}, {"host", base2}}));
        for (const QString page : {"Register", "Password", "Card", "Share"})
            QCOMPARE(ini.value("Url/" + page).toString(), base + "/web/" + page.toLower());
        QCOMPARE(ini.value("Contact/Website").toString(), base.mid(7));
    }

    void loginReplyShape()
    {
        const QJsonValue data = signIn()["data"];
        // Texts stay texts and numbers numbers: the client's reader turns each into text its own way.
        QCOMPARE(shape(data.toObject()), QStringLiteral("anl:s blk:a cfg:o fav:a ins:s msk:s prt:s ssn:s sub:a usr:o"));
        QCOMPARE(shape(data["cfg"].toObject()), QStringLiteral("BLT_CNT:s BLT_USR:s BLT_VER:s BLT_VLD:n SFT_VER:s SFT_WIN:s YER_ACE:n YER_LST:n"));
        QVERIFY(!data["cfg"]["BLT_CNT"].toString().isEmpty() && data["cfg"]["YER_LST"] == facts()["listYear"]);
        const QString content = data["sub"][0]["cnt"].toString();   // a subscription's content stays percent-encoded
        QVERIFY(content.startsWith("%7B"));
        QCOMPARE(shape(jsonOf(QUrl::fromPercentEncoding(content.toUtf8()).toUtf8()).toObject()), QStringLiteral("anl:s cod:s ins:s ttl:s"));
        QVERIFY(QRegularExpression("^([0-9]{6}\\.(SH|SZ),)*[0-9]{6}\\.(SH|SZ)$").match(data["prt"].toString()).hasMatch());
        QVERIFY(!data["blk"].toArray().isEmpty() && data["fav"][1]["lst"].toString().contains(",,"));   // a favourite with an empty item
    }

    void uploadEchoAndNames()
    {
        // Names arrive percent-encoded and are stored decoded; a subscription's content stays encoded.
        // (The echo of "mdf" is checked with the fault modes.)
        const QString ssn = signIn("13800138000", "demo1111")["data"]["ssn"].toString();
        const QByteArray content = QUrl::toPercentEncoding("{\"ttl\":\"银行\",\"ins\":\"\",\"anl\":\"\",\"cod\":\"\"}");
        const QStringList answers = {answer(upload("favorite", ssn, "1", "[{\"nam\":\"" + QUrl::toPercentEncoding("新 收藏") + "\",\"lst\":\"10000004,10000007\"}]")),
                                     answer(upload("subscribe", ssn, "2", "[{\"nam\":\"" + QUrl::toPercentEncoding("银行") + "\",\"cnt\":\"" + content + "\"}]")),
                                     answer(upload("block", ssn, "3", "[]")), answer(upload("inst", ssn, "4", QStringLiteral("长城证券,高盛").toUtf8())),
                                     answer(upload("analyst", ssn, "5", ""))};
        QCOMPARE(answers.join(' '), QStringLiteral("1 1 1 1 1"));
        const QJsonValue data = signIn("13800138000", "demo1111")["data"];
        QCOMPARE(data["fav"][0], QJsonValue(QJsonObject{{"nam", "新 收藏"}, {"lst", "10000004,10000007"}}));
        QCOMPARE(data["sub"][0], QJsonValue(QJsonObject{{"nam", "银行"}, {"cnt", QString::fromLatin1(content)}}));
        QCOMPARE(QJsonArray({data["blk"], data["ins"], data["anl"]}), QJsonArray({QJsonArray(), "长城证券,高盛", ""}));
        QVERIFY(signIn()["data"]["fav"][0]["nam"] != "新 收藏");   // other accounts keep their own lists
    }

    void exchanges_data()
    {
        QTest::addColumn<QString>("probe");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("expected");
        for (const Exchange &e : kExchanges)
            QTest::addRow("%s%s%s", e.probe, *e.fault ? " / " : "", e.fault) << e.probe << e.fault << e.expected;
    }

    void exchanges()
    {
        QFETCH(QString, probe);
        QFETCH(QString, fault);
        QFETCH(QString, expected);
        const QString name = fault.section('@', 0, 0), normal = fault.isEmpty() ? expected : outcome(probe);
        QVERIFY(fault.isEmpty() || m_server.setFault(name, true, fault.section('@', 1)));
        QCOMPARE(outcome(probe), expected);
        if (!fault.isEmpty()) {   // switched off, it leaves no trace
            QVERIFY(m_server.setFault(name, false));
            QCOMPARE(outcome(probe), normal);
        }
    }

    void everyFaultHasAnExchange()
    {
        QProcess help;
        help.start(DevServer::programPath(), {"--help"});
        QVERIFY(help.waitForFinished(10000));
        const QStringList known = QString::fromUtf8(help.readAllStandardOutput()).section("faults: ", 1).trimmed().split(' ');
        QSet<QString> tested;
        for (const Exchange &e : kExchanges)
            tested << QString(e.fault).section('@', 0, 0);
        tested.remove(QString());
        QCOMPARE(tested, QSet<QString>(known.begin(), known.end()));
        QVERIFY(!m_server.setFault("no_such_fault"));
    }

    void packagesAgreeWithManifest()
    {
        const QJsonArray index = rowsOf(get(object("/dat/IDX.DAT")));
        const QJsonArray packages = m_server.manifest().value("packages").toArray();
        QCOMPARE(index.size(), packages.size());
        QSet<QString> bases;
        QString kinds;   // R report, A rating, D delete, O other
        bool before2012 = false;
        for (int k = 0; k < index.size(); ++k) {
            const QString name = index[k]["dt"].toString(), base = name.section('.', 0, 0).section('_', 0, 0);
            QCOMPARE(QJsonArray({name, index[k]["tM"]}), QJsonArray({packages[k]["name"], packages[k]["tM"]}));
            QVERIFY(QDateTime::fromString(index[k]["tM"].toString(), "yyyy-MM-dd HH:mm:ss").isValid());
            QVERIFY2(!bases.contains(base) && !name.contains('/'), qPrintable(name));
            bases.insert(base);
            before2012 = before2012 || (base.contains("MTH") && base.mid(base.indexOf("MTH") + 3, 4).toInt() < 2012);
            kinds += name.contains("DEL") ? 'D' : name.startsWith("RPT") ? 'R' : name.startsWith("RAT") ? 'A' : 'O';
            const Http h = get(object("/dat/" + name));
            QVERIFY2(!inflated(h).isEmpty() && h.body.size() == packages[k]["bytes"].toInt(), qPrintable(name));
            QCOMPARE(rowsOf(h).size(), packages[k]["rows"].toInt());
        }
        // Stocks first, every report before any rating, deletes last; some years the client skips.
        QVERIFY(index[0]["dt"].toString().startsWith("STK") && before2012 && bases.contains("RPTTDY") && bases.contains("RATTDY"));
        QVERIFY2(QRegularExpression("^O+R+A+O*D+$").match(kinds).hasMatch(), qPrintable(kinds));
        QVERIFY(get(object("/dat/NOSUCH.DAT")).status == 404 && get(object("/dat/..%2Fmanifest.json")).status == 404);
    }

    void dayPricesAgreeWithStockPackage()
    {
        const QJsonValue sample = facts()["sampleStock"];
        const QJsonArray days = rowsOf(get(object("/day/" + sample["code"].toString())));
        QCOMPARE(days.size(), sample["priceCount"].toInt());
        QString lastDate, newest;
        for (const QJsonValue &day : days) {
            QCOMPARE(shape(day.toObject()), QStringLiteral("ch:n dt:s fc:n pC:n pH:n pL:n pO:n tM:s"));
            QVERIFY(day["dt"].toString() > lastDate && day["pL"].toDouble() <= day["pH"].toDouble());
            lastDate = day["dt"].toString();
            newest = qMax(newest, day["tM"].toString());
        }
        QCOMPARE(QJsonArray({newest, days.last()["fc"]}), QJsonArray({sample["priceModify"], sample["factor"]}));
        // The stock package says the same: count, newest modification time, factor, last day.
        QJsonArray said;
        for (const QJsonValue &s : rowsOf(get(object("/dat/STK.DAT"))))
            said = s["cd"] == sample["code"] ? QJsonArray{s["pN"], s["pM"], s["pF"], s["pD"]} : said;
        QCOMPARE(said, (QJsonArray{days.size(), newest, days.last()["fc"], lastDate}));
        QCOMPARE(get(object("/day/999999.SH")).status, 404);
    }

    void uploadsSurviveRestart()
    {
        const QString ssn = session();
        const QByteArray block = "[{\"nam\":\"" + QUrl::toPercentEncoding("重启") + "\",\"lst\":\"600000.SH\"}]";
        QCOMPARE(answer(upload("block", ssn, "7", block)), QStringLiteral("1"));
        // SIGTERM ends it cleanly even with a stalled response open.
        QVERIFY(m_server.setFault("stall"));
        std::unique_ptr<QNetworkReply> pending(m_net.get(QNetworkRequest(object("/dat/IDX.DAT"))));
        QVERIFY(QSignalSpy(pending.get(), &QNetworkReply::metaDataChanged).wait(10000));
        QVERIFY(m_server.stop());
        QVERIFY2(m_server.restart(), qPrintable(m_server.errorString()));
        // The session is gone, the lists are not.
        QVERIFY(upload("block", ssn, "8", block)["res"].toInt() < 0);
        QCOMPARE(signIn()["data"]["blk"][0]["nam"].toString(), QStringLiteral("重启"));
    }
};

QString TestProtocol::outcome(const QString &probe)
{
    const QStringList words = probe.split(' ');
    const QString what = words.first();
    if (what == "verify") {
        const QString tms = QString::number(QDateTime::currentMSecsSinceEpoch()), sgn = md5(tms);
        const QString query = QString(words.at(1)).replace("{tms}", tms).replace("{sgn}", sgn).replace("{SGN}", sgn.toUpper()).replace("{bad}", md5(tms + '1'));
        const Http h = get(service("/user/verify?" + query));
        return QStringLiteral("%1 %2 %3").arg(h.status).arg(answer(jsonOf(h.body)), jsonOf(h.body)["msg"].toString());
    }
    if (what == "login") {
        auto word = [&](int k) { return words.at(k) == "-" ? QString() : words.at(k); };
        const QJsonValue r = signIn(word(1), word(2), words.size() > 3 ? m_server.serviceUrl2() : QUrl());
        const QString ssn = r["data"]["ssn"].toString();
        return answer(r) + (r["res"].toInt() < 1 ? QString() : ' ' + r["data"]["usr"]["nam"].toString() + (ssn.isEmpty() ? " no-ssn" : ""));
    }
    if (what == "config") {
        const QJsonValue cfg = signIn()["data"]["cfg"];
        const QString version = cfg["SFT_VER"].toString();
        return QStringLiteral("ver=%1 blt=%2 %3 %4 win=%5")
            .arg(version.contains("|2017.01|") ? "current" : version.contains("2017.01") ? "old" : version)
            .arg(cfg["BLT_VLD"].toInt())
            .arg(cfg["BLT_VER"].toString(), cfg["BLT_USR"].toString(), cfg["SFT_WIN"].isString() ? '\'' + cfg["SFT_WIN"].toString() + '\'' : "absent");
    }
    if (what == "status") {
        return QStringLiteral("%1 %2 %3").arg(get(service("/user/verify?" + signedPart())).status)
            .arg(get(object("/tst/TST.DAT")).status).arg(get(object("/dat/IDX.DAT")).status);
    }
    if (what == "transfer") {
        const Http h = get(object("/dat/STK.DAT"), QByteArray(), QByteArray(), 3000);
        return QStringLiteral("%1 %2 %3").arg(h.status)
            .arg(h.length > 0 && h.body.size() == h.length ? "whole" : h.body.isEmpty() ? "nothing" : "part")
            .arg(!h.finished ? "open" : h.failed || inflated(h).isEmpty() ? "failed" : "done");
    }
    if (what == "package") {
        auto kind = [&](const QString &path) {
            const Http h = get(object(path));
            const bool bomb = declaredLength(h.body) >= 0x70000000u && h.body.size() < 1 << 20;   // not inflated here, on purpose
            const QByteArray text = bomb ? QByteArray() : inflated(h);
            return bomb ? "bomb" : text.isEmpty() ? "corrupt" : QJsonDocument::fromJson(text).isNull() ? "text" : "json";
        };
        return QStringLiteral("idx=%1 rpt=%2").arg(kind("/dat/IDX.DAT"), kind("/dat/RPTTDY.DAT"));
    }
    if (what == "hostile") {
        // Extra packages whose rows carry apostrophes in names and injection-shaped numbers.
        QStringList out;
        for (const QJsonValue &entry : rowsOf(get(object("/dat/IDX.DAT")))) {
            const QString name = entry["dt"].toString();
            const QByteArray text = name.contains("BAD") ? inflated(get(object("/dat/" + name))) : QByteArray();
            if (!text.isNull())
                out << name + (text.contains('\'') && (text.contains("1=1") || text.contains("; --")) ? "" : "(tame)");
        }
        return (out << QString::number(get(object("/dat/RPTBAD.DAT")).status)).join(' ');
    }
    if (what == "tst") {
        const Http h = get(object("/tst/TST.DAT"));
        const QByteArray text = inflated(h);
        const QJsonArray result{jsonOf(text.isEmpty() ? h.body : text)["result"]};
        return (text.isEmpty() ? "plain " : "z ") + QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
    }
    if (what == "report") {   // "report PDF|deleted [session]"
        const QString ssn = words.value(2, session());
        const QString id = words.at(1) == "deleted" ? facts()["deletedReports"][0].toString() : facts()["reportFiles"][words.at(1)].toString();
        const QJsonValue file = call(QStringLiteral("/report/file?ssn=%1&id=%2").arg(ssn, id));
        const QUrl obj(file["data"]["obj"].toString());
        const Http h = obj.scheme() == "http" ? get(obj) : Http();
        const char *body = h.status != 200 ? "" : h.body.startsWith("%PDF-") ? "pdf" : h.length == 0 ? "empty" : "other";
        const QJsonValue share = call(QStringLiteral("/report/share?ssn=%1&id=%2").arg(ssn, id));
        const QString shared = answer(share) + (share["res"].toInt() > 0 && share["data"]["id"].toString().isEmpty() ? " no-id" : "");
        return QStringLiteral("file=%1 %2 %3 share=%4").arg(answer(file), obj.scheme(), body, shared).simplified();
    }
    // One upload ("upload kind session type body"), or one of each kind ("uploads").
    QStringList out;
    const QString ssn = words.value(2) == "fresh" || words.value(2) == "timed-out" || what == "uploads" ? session() : words.value(2);
    if (words.value(2) == "timed-out" && !m_server.dropSessions())
        return "cannot drop sessions";
    for (const QString &kind : what == "upload" ? QStringList{words.at(1)} : QStringList{"inst", "subscribe", "favorite", "block", "analyst"}) {
        const QByteArray body = what == "upload" ? probe.section(' ', 4).toUtf8() : QByteArray(kind == "inst" || kind == "analyst" ? "" : "[]");
        const QJsonValue r = upload(kind, ssn, "1484000000999", body, what == "upload" ? words.at(3).toUtf8() : QByteArray("text/plain; charset=utf-8"));
        out << answer(r) + (r["data"]["mdf"].isUndefined() ? "" : r["data"]["mdf"] == 1484000000999. ? " mdf" : " other-mdf");
    }
    out.removeDuplicates();
    return out.join(" | ");
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
