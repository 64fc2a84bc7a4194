#include "standinserver.h"

#include "hostilepackages.h"
#include "reportfile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>
#include <chrono>
#include <cstdio>
#include <httplib.h>
#include <unistd.h>

namespace {

using Query = QList<QPair<QString, QString>>;

const char *const Html = "text/html; charset=utf-8";
const char *const Binary = "application/octet-stream";

// The query exactly as sent, in order: the service checks the order of the parameters.
Query parseQuery(const QString &raw)
{
    Query q;
    if (raw.isEmpty())
        return q;
    for (const QString &part : raw.split(QLatin1Char('&'))) {
        const int eq = part.indexOf(QLatin1Char('='));
        q.append(eq < 0 ? qMakePair(part, QString()) : qMakePair(part.left(eq), part.mid(eq + 1)));
    }
    return q;
}

QStringList keysOf(const Query &q)
{
    QStringList keys;
    for (const auto &p : q)
        keys.append(p.first);
    return keys;
}

QString decoded(const QString &value)
{
    return QUrl::fromPercentEncoding(value.toUtf8());
}

// Every service request ends with tms (ms since the epoch) and sgn, the lower-case hex MD5 of tms.
bool signatureOk(const Query &q)
{
    if (q.size() < 2)
        return false;
    const QString &tms = q.at(q.size() - 2).second;
    const QString &sgn = q.last().second;
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(tms).hasMatch())
        return false;
    return QString::fromLatin1(QCryptographicHash::hash(tms.toUtf8(), QCryptographicHash::Md5).toHex()) == sgn;
}

QString htmlPage(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                          "<body><h1>%1</h1>%2<p><small>Tamrel 样本服务</small></p></body></html>\n")
        .arg(title, body);
}

} // namespace

StandInServer::StandInServer(const Options &options) : m_options(options)
{
    if (m_options.stateDir.isEmpty())
        m_options.stateDir = m_options.dataDir + QStringLiteral("/state");
}

StandInServer::~StandInServer()
{
    stop();
}

StandInServer::Reply StandInServer::json(int res, const QString &msg, const QJsonObject &data)
{
    Reply r;
    const QJsonObject body{{QStringLiteral("res"), res}, {QStringLiteral("msg"), msg}, {QStringLiteral("data"), data}};
    r.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    r.answer = QString::fromUtf8(r.body);
    return r;
}

StandInServer::Reply StandInServer::notFound()
{
    Reply r;
    r.status = 404;
    r.contentType = Html;
    r.body = htmlPage(QStringLiteral("404 Not Found"), QString()).toUtf8();
    r.answer = QStringLiteral("404");
    return r;
}

QString StandInServer::objectBase() const
{
    return QStringLiteral("http://127.0.0.1:%1/oss").arg(m_ports[2]);
}

bool StandInServer::start(QString *error)
{
    if (!m_data.load(m_options.dataDir, error))
        return false;
    if (!m_users.load(m_options.dataDir + QStringLiteral("/accounts.json"), m_options.stateDir, error))
        return false;
    for (const QString &faultText : qAsConst(m_options.faults)) {
        if (!m_faults.parse(faultText, error))
            return false;
    }
    if (!m_options.logFile.isEmpty() && !m_log.open(m_options.logFile, error))
        return false;

    const int wanted[3] = {m_options.servicePort, m_options.servicePort2, m_options.objectPort};
    for (int k = 0; k < 3; ++k) {
        auto server = std::make_unique<httplib::Server>();
        // Stalled responses hold a worker each; keep enough for the rest.
        server->new_task_queue = [] { return new httplib::ThreadPool(32); };
        server->set_keep_alive_max_count(1000);
        // Idle connections close soon, so a stop does not wait long for them.
        server->set_keep_alive_timeout(1);
        // Headers and body go out in separate writes; without this each reply waits for a delayed ACK.
        server->set_tcp_nodelay(true);
        server->set_payload_max_length(8 << 20);
        const Host host = Host(k);
        auto handler = [this, host](const httplib::Request &req, httplib::Response &res) { handle(host, req, res); };
        server->Get(".*", handler);
        server->Post(".*", handler);
        const int port = wanted[k] == 0 ? server->bind_to_any_port("127.0.0.1") : (server->bind_to_port("127.0.0.1", wanted[k]) ? wanted[k] : -1);
        if (port <= 0) {
            *error = QStringLiteral("cannot listen on 127.0.0.1:%1").arg(wanted[k]);
            return false;
        }
        m_ports[k] = port;
        m_servers[k] = std::move(server);
    }
    if (!m_options.hostsIni.isEmpty() && !writeHostsIni(error))
        return false;
    for (auto &server : m_servers) {
        httplib::Server *s = server.get();
        m_threads.emplace_back([s] { s->listen_after_bind(); });
    }
    return true;
}

void StandInServer::stop()
{
    m_stopping = true;
    for (auto &server : m_servers) {
        if (server)
            server->stop();
    }
    for (std::thread &t : m_threads)
        t.join();
    m_threads.clear();
}

QByteArray StandInServer::readyLine() const
{
    const QJsonObject ready{
        {QStringLiteral("service"), QStringLiteral("http://127.0.0.1:%1").arg(m_ports[0])},
        {QStringLiteral("service2"), QStringLiteral("http://127.0.0.1:%1").arg(m_ports[1])},
        {QStringLiteral("object"), objectBase()},
        {QStringLiteral("pid"), qint64(getpid())},
    };
    return "READY " + QJsonDocument(ready).toJson(QJsonDocument::Compact);
}

QString StandInServer::summary() const
{
    QStringList accounts;
    for (const QJsonValue &v : m_data.manifest().value(QLatin1String("accounts")).toArray()) {
        const QJsonObject a = v.toObject();
        const QString account = a.value(QLatin1String("account")).toString();
        accounts.append(account.isEmpty() ? QStringLiteral("guest (empty account and password)")
                                          : account + QLatin1Char('/') + a.value(QLatin1String("password")).toString());
    }
    return QStringLiteral("serving %1 at %2; accounts %3; SIGINT or SIGTERM stops it")
        .arg(m_options.dataDir, QStringLiteral("http://127.0.0.1:%1").arg(m_ports[0]), accounts.join(QStringLiteral(", ")));
}

bool StandInServer::writeHostsIni(QString *error) const
{
    auto host = [](const QString &name, int port) {
        const QByteArray json = QJsonDocument(QJsonObject{{QStringLiteral("name"), name},
                                                          {QStringLiteral("host"), QStringLiteral("http://127.0.0.1:%1").arg(port)}})
                                    .toJson(QJsonDocument::Compact);
        return "\"" + QByteArray(json).replace("\"", "\\\"") + "\"";
    };
    const QByteArray service = "http://127.0.0.1:" + QByteArray::number(m_ports[0]);
    QByteArray ini;
    ini += "; Written by tamrel-devserver for the ports it listens on.\n";
    ini += "[ServiceHost]\nHost0=" + host(QStringLiteral("杭州服务器"), m_ports[0]) + "\n";
    ini += "Host1=" + host(QStringLiteral("北京服务器"), m_ports[1]) + "\n\n";
    ini += "[ObjectHost]\nHost=\"" + objectBase().toUtf8() + "\"\n\n";
    ini += "[Url]\nRegister=\"" + service + "/web/register\"\nPassword=\"" + service + "/web/password\"\n";
    ini += "Card=\"" + service + "/web/card\"\nShare=\"" + service + "/web/share\"\n\n";
    ini += "[Contact]\nWebsite=\"127.0.0.1:" + QByteArray::number(m_ports[0]) + "\"\n";
    QSaveFile file(m_options.hostsIni);
    if (!file.open(QIODevice::WriteOnly) || file.write(ini) != ini.size() || !file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(m_options.hostsIni, file.errorString());
        return false;
    }
    return true;
}

void StandInServer::handle(Host host, const httplib::Request &req, httplib::Response &res)
{
    const QString path = QString::fromStdString(req.path);
    const std::string::size_type qm = req.target.find('?');
    const QString rawQuery = qm == std::string::npos ? QString() : QString::fromStdString(req.target.substr(qm + 1));

    if (host != Host::Object && path.startsWith(QLatin1String("/_control/"))) {
        const Reply r = control(path, parseQuery(rawQuery));
        res.status = r.status;
        res.set_content(r.body.constData(), size_t(r.body.size()), r.contentType);
        return;
    }

    Reply reply;
    if (m_faults.active("http_500", path)) {
        reply.status = 500;
        reply.contentType = Html;
        reply.body = htmlPage(QStringLiteral("500 Internal Server Error"), QString()).toUtf8();
        reply.answer = QStringLiteral("500");
    } else if (m_faults.active("http_404", path)) {
        reply = notFound();
    } else if (host == Host::Object) {
        reply = object(path);
    } else {
        reply = service(req, path, rawQuery);
    }

    QString answer = reply.answer.isEmpty() ? QStringLiteral("[%1 bytes]").arg(reply.body.size()) : reply.answer;
    res.status = reply.status;
    if (m_faults.active("stall", path)) {
        answer = QStringLiteral("[stalled after the headers]");
        // The declared length is never reached: the client sees headers, then silence.
        res.set_content_provider(size_t(std::max(1, int(reply.body.size()))), reply.contentType,
                                 [this](size_t, size_t, httplib::DataSink &) {
                                     for (int k = 0; k < 1200 && !m_stopping; ++k)
                                         std::this_thread::sleep_for(std::chrono::milliseconds(100));
                                     return false;
                                 });
    } else if (m_faults.active("truncate", path)) {
        const auto body = std::make_shared<QByteArray>(reply.body);
        answer = QStringLiteral("[cut short: %1 of %2 bytes]").arg(body->size() / 2).arg(body->size());
        res.set_content_provider(size_t(std::max(1, int(body->size()))), reply.contentType,
                                 [body](size_t, size_t, httplib::DataSink &sink) {
                                     sink.write(body->constData(), size_t(body->size() / 2));
                                     return false;
                                 });
    } else {
        res.set_content(reply.body.constData(), size_t(reply.body.size()), reply.contentType);
    }

    static const char *const hostNames[] = {"service", "service2", "object"};
    m_log.write(QJsonObject{
        {QStringLiteral("time"), QDateTime::currentDateTime().toString(Qt::ISODateWithMs)},
        {QStringLiteral("server"), QLatin1String(hostNames[int(host)])},
        {QStringLiteral("method"), QString::fromStdString(req.method)},
        {QStringLiteral("path"), path},
        {QStringLiteral("query"), rawQuery},
        {QStringLiteral("body"), QString::fromUtf8(req.body.data(), int(req.body.size()))},
        {QStringLiteral("status"), reply.status},
        {QStringLiteral("answer"), answer},
    });
}

StandInServer::Reply StandInServer::control(const QString &path, const QList<QPair<QString, QString>> &query)
{
    QString name, on, filter;
    for (const auto &p : query) {
        if (p.first == QLatin1String("name"))
            name = decoded(p.second);
        else if (p.first == QLatin1String("on"))
            on = p.second;
        else if (p.first == QLatin1String("path"))
            filter = decoded(p.second);
    }
    QString error;
    if (path == QLatin1String("/_control/fault")) {
        if (!m_faults.set(name, on != QLatin1String("0"), filter, &error)) {
            Reply r = json(0, error);
            r.status = 400;
            return r;
        }
    } else if (path == QLatin1String("/_control/reset")) {
        m_faults.reset();
    } else if (path == QLatin1String("/_control/logout")) {
        m_users.dropSessions();
    } else if (path != QLatin1String("/_control/faults")) {
        return notFound();
    }
    return json(1, QStringLiteral("ok"), QJsonObject{{QStringLiteral("faults"), m_faults.list()}});
}

StandInServer::Reply StandInServer::service(const httplib::Request &req, const QString &path, const QString &rawQuery)
{
    const Query q = parseQuery(rawQuery);
    const bool get = req.method == "GET";
    if (path == QLatin1String("/user/verify")) {
        if (!get)
            return json(0, QStringLiteral("请求方式错误"));
        if (!signatureOk(q))
            return json(0, QStringLiteral("签名错误"));
        const QStringList keys = keysOf(q);
        if (keys == QStringList{QStringLiteral("tms"), QStringLiteral("sgn")})
            return json(0, QStringLiteral("请输入帐号和密码"));   // the connection test: reachable is all it needs
        if (keys != QStringList{QStringLiteral("acc"), QStringLiteral("pwd"), QStringLiteral("mac"), QStringLiteral("tms"), QStringLiteral("sgn")})
            return json(0, QStringLiteral("参数错误"));
        return login(q);
    }
    if (path == QLatin1String("/report/file") || path == QLatin1String("/report/share")) {
        if (!get)
            return json(0, QStringLiteral("请求方式错误"));
        return reportFile(q, path.endsWith(QLatin1String("share")));
    }
    static const QRegularExpression uploads(QStringLiteral("^/customize/(inst|subscribe|favorite|block|analyst)$"));
    const QRegularExpressionMatch m = uploads.match(path);
    if (m.hasMatch()) {
        if (req.method != "POST")
            return json(0, QStringLiteral("请求方式错误"));
        return upload(req, m.captured(1), q);
    }
    return page(path, rawQuery);
}

StandInServer::Reply StandInServer::login(const QList<QPair<QString, QString>> &q)
{
    const QString account = decoded(q.at(0).second);
    const QString pwd = q.at(1).second;
    if (m_faults.active("login_refused", QStringLiteral("/user/verify")))
        return json(0, QStringLiteral("帐号或密码错误"));
    if (m_faults.active("login_unregistered", QStringLiteral("/user/verify")))
        return json(-1, QStringLiteral("帐号未注册"));
    switch (m_users.check(account, pwd)) {
    case UserStore::Check::Unknown:
        return json(-1, QStringLiteral("帐号未注册"));
    case UserStore::Check::WrongPassword:
        return json(0, QStringLiteral("帐号或密码错误"));
    case UserStore::Check::Accepted:
        break;
    }
    const QJsonObject facts = m_data.manifest().value(QLatin1String("facts")).toObject();
    auto on = [this](const char *name) { return m_faults.active(name, QStringLiteral("/user/verify")); };
    QString bulletinVersion = QStringLiteral("20170109");
    QString bulletinUsers = QStringLiteral("ALL");
    int bulletinValid = 0;
    if (on("bulletin")) {
        bulletinVersion += QStringLiteral(".1");
        bulletinValid = 1;
    } else if (on("bulletin_vip")) {
        bulletinVersion += QStringLiteral(".2");
        bulletinUsers = QStringLiteral("VIP");
        bulletinValid = 1;
    }
    QString upgrade = facts.value(QLatin1String("upgradeFile")).toString();
    if (on("sft_win_traversal"))
        upgrade = QStringLiteral("../x");
    else if (on("sft_win_empty"))
        upgrade.clear();
    const QJsonObject cfg{
        {QStringLiteral("BLT_CNT"), QStringLiteral("<p>欢迎使用 Tamrel 样本服务。</p><p>这是一条测试公告：数据均为样本数据。</p>")},
        {QStringLiteral("BLT_VER"), bulletinVersion},
        {QStringLiteral("BLT_USR"), bulletinUsers},
        {QStringLiteral("BLT_VLD"), bulletinValid},
        {QStringLiteral("YER_LST"), facts.value(QLatin1String("listYear")).toInt()},
        {QStringLiteral("YER_ACE"), facts.value(QLatin1String("aceYear")).toInt()},
        {QStringLiteral("SFT_VER"), on("old_version") ? QStringLiteral("|2017.011|2017.02|") : QStringLiteral("|2016.12|2017.01|")},
        {QStringLiteral("SFT_WIN"), upgrade},
    };
    QJsonObject data = m_users.lists(account);
    data.insert(QStringLiteral("ssn"), m_users.openSession(account));
    data.insert(QStringLiteral("usr"), QJsonObject{{QStringLiteral("nam"), m_users.displayName(account)}});
    data.insert(QStringLiteral("cfg"), cfg);
    return json(1, on("login_empty_msg") ? QString() : QStringLiteral("登录成功"), data);
}

StandInServer::Reply StandInServer::reportFile(const QList<QPair<QString, QString>> &q, bool share)
{
    if (keysOf(q) != QStringList{QStringLiteral("ssn"), QStringLiteral("id"), QStringLiteral("tms"), QStringLiteral("sgn")})
        return json(0, QStringLiteral("参数错误"));
    if (!signatureOk(q))
        return json(0, QStringLiteral("签名错误"));
    QString account;
    if (!m_users.sessionAccount(q.at(0).second, &account))
        return json(-1, QStringLiteral("登录超时，请重新登录"));
    bool ok = false;
    const qint64 id = q.at(1).second.toLongLong(&ok);
    ReportFile::Info info;
    bool deleted = false;
    if (!ok || !m_data.report(id, &info, &deleted) || deleted)
        return json(0, QStringLiteral("报告不存在或已删除"));
    const QString path = share ? QStringLiteral("/report/share") : QStringLiteral("/report/file");
    if (share) {
        if (m_faults.active("share_refused", path))
            return json(0, QStringLiteral("该报告暂不支持分享"));
        return json(1, QStringLiteral("ok"), QJsonObject{{QStringLiteral("id"), QString::number(id * 31 + 17, 36).toUpper()}});
    }
    if (m_faults.active("file_refused", path))
        return json(0, QStringLiteral("该报告暂不提供下载"));
    QString obj = QStringLiteral("%1/fil/%2.%3").arg(objectBase()).arg(id).arg(ReportFile::extension(info.type));
    if (m_faults.active("file_obj_file", path))
        obj = QStringLiteral("file:///etc/passwd");
    else if (m_faults.active("file_obj_qrc", path))
        obj = QStringLiteral("qrc:/config.ini");
    return json(1, QStringLiteral("ok"), QJsonObject{{QStringLiteral("obj"), obj}});
}

StandInServer::Reply StandInServer::upload(const httplib::Request &req, const QString &kind, const QList<QPair<QString, QString>> &q)
{
    if (keysOf(q) != QStringList{QStringLiteral("ssn"), QStringLiteral("mdf"), QStringLiteral("tms"), QStringLiteral("sgn")})
        return json(0, QStringLiteral("参数错误"));
    if (!signatureOk(q))
        return json(0, QStringLiteral("签名错误"));
    const QString path = QStringLiteral("/customize/") + kind;
    bool ok = false;
    const qint64 stamp = q.at(1).second.toLongLong(&ok);
    const QJsonValue mdf = ok ? QJsonValue(stamp) : QJsonValue(q.at(1).second);
    const QJsonObject echo{{QStringLiteral("mdf"), mdf}};
    if (m_faults.active("session_timeout", path))
        return json(-1, QStringLiteral("登录超时，请重新登录"), echo);
    if (m_faults.active("session_timeout_no_mdf", path))
        return json(-1, QStringLiteral("登录超时，请重新登录"));
    if (m_faults.active("upload_refused", path))
        return json(0, QStringLiteral("服务器繁忙，请稍后再试"));
    QString account;
    if (!m_users.sessionAccount(q.at(0).second, &account))
        return json(-1, QStringLiteral("登录超时，请重新登录"), echo);
    if (!QString::fromStdString(req.get_header_value("Content-Type")).startsWith(QLatin1String("text/plain")))
        return json(0, QStringLiteral("数据类型错误"));
    QString error;
    if (!m_users.store(account, kind, QByteArray::fromStdString(req.body), &error))
        return json(0, error);
    if (m_faults.active("upload_no_mdf", path))
        return json(1, QStringLiteral("保存成功"));
    return json(1, QStringLiteral("保存成功"), echo);
}

StandInServer::Reply StandInServer::page(const QString &path, const QString &rawQuery)
{
    static const QList<QPair<QString, QString>> pages = {
        {QStringLiteral("/web/register"), QStringLiteral("帐号注册")}, {QStringLiteral("/web/password"), QStringLiteral("找回密码")},
        {QStringLiteral("/web/card"), QStringLiteral("帐号开通")},     {QStringLiteral("/web/share"), QStringLiteral("分享的报告")},
        {QStringLiteral("/report"), QStringLiteral("帮助：研究报告")}, {QStringLiteral("/rating"), QStringLiteral("帮助：股票评级")},
        {QStringLiteral("/consensus"), QStringLiteral("帮助：一致预期")}, {QStringLiteral("/matrix"), QStringLiteral("帮助：价值矩阵")},
        {QStringLiteral("/ace"), QStringLiteral("帮助：分析师排名")},  {QStringLiteral("/help"), QStringLiteral("帮助")},
        {QStringLiteral("/search"), QStringLiteral("帮助：报告搜索")}, {QStringLiteral("/"), QStringLiteral("Tamrel 样本服务")},
    };
    for (const auto &p : pages) {
        if (p.first != path)
            continue;
        Reply r;
        r.contentType = Html;
        QString body = QStringLiteral("<p>这是本地样本服务的页面。</p>");
        if (path == QLatin1String("/web/share"))
            body += QStringLiteral("<p>分享编号：%1</p>").arg(decoded(rawQuery.section(QLatin1Char('='), 1)).toHtmlEscaped());
        r.body = htmlPage(p.second, body).toUtf8();
        r.answer = QStringLiteral("[page %1]").arg(p.second);
        return r;
    }
    return notFound();
}

StandInServer::Reply StandInServer::object(const QString &path)
{
    static const QRegularExpression route(QStringLiteral("^/oss/(tst|dat|day|dwn|fil)/([^/]+)$"));
    const QRegularExpressionMatch m = route.match(path);
    if (!m.hasMatch())
        return notFound();
    const QString folder = m.captured(1);
    const QString name = m.captured(2);
    Reply r;
    r.contentType = Binary;
    if (folder == QLatin1String("tst")) {
        if (name != QLatin1String("TST.DAT"))
            return notFound();
        QByteArray text = "{\"result\":1}";
        if (m_faults.active("tst_text", path))
            text = "{\"result\":\"1\"}";
        else if (m_faults.active("tst_half", path))
            text = "{\"result\":0.5}";
        else if (m_faults.active("tst_zero", path))
            text = "{\"result\":0}";
        r.body = m_faults.active("tst_plain", path) ? text : qCompress(text);
        r.answer = QString::fromLatin1(text);
        return r;
    }
    if (folder == QLatin1String("dat"))
        return package(path, name);
    if (folder == QLatin1String("day")) {
        static const QRegularExpression code(QStringLiteral("^[0-9]{6}\\.(SH|SZ)$"));
        QByteArray text;
        if (!code.match(name).hasMatch() || !m_data.dayPrices(name, &text))
            return notFound();
        r.body = qCompress(text);
        r.answer = QStringLiteral("[day prices, %1 bytes compressed]").arg(r.body.size());
        return r;
    }
    if (folder == QLatin1String("dwn")) {
        if (!m_data.readUpgrade(name, &r.body))
            return notFound();
        return r;
    }
    static const QRegularExpression file(QStringLiteral("^([0-9]+)\\.(pdf|doc|xls)$"));
    const QRegularExpressionMatch f = file.match(name);
    ReportFile::Info info;
    bool deleted = false;
    if (!f.hasMatch() || !m_data.report(f.captured(1).toLongLong(), &info, &deleted) || deleted
        || ReportFile::extension(info.type) != f.captured(2)) {
        return notFound();
    }
    r.contentType = ReportFile::contentType(info.type);
    if (!m_faults.active("file_empty", path))
        r.body = ReportFile::make(info);
    return r;
}

StandInServer::Reply StandInServer::package(const QString &path, const QString &name)
{
    Reply r;
    r.contentType = Binary;
    const QString today = m_data.manifest().value(QLatin1String("today")).toString();
    const bool hostile = m_faults.active("hostile_rows", path);
    QByteArray text;
    if (name == QLatin1String("IDX.DAT")) {
        QJsonArray entries = m_data.indexEntries();
        if (hostile) {
            for (const QJsonValue &v : HostilePackages::indexEntries(today))
                entries.append(v);
        }
        text = QJsonDocument(QJsonObject{{QStringLiteral("data"), entries}}).toJson(QJsonDocument::Compact);
        r.body = qCompress(text);
        r.answer = QStringLiteral("[index of %1 packages]").arg(entries.size());
    } else if (hostile && HostilePackages::text(name, today, &text)) {
        r.body = qCompress(text);
        r.answer = QString::fromUtf8(text);
    } else if (m_data.readPackage(name, &r.body)) {
        r.answer = QStringLiteral("[package %1, %2 bytes compressed]").arg(name).arg(r.body.size());
    } else {
        return notFound();
    }
    r.body = packageFault(path, name, r.body, &r.answer);
    return r;
}

// Package faults hit every package but the index, or exactly the paths they were switched on for.
QByteArray StandInServer::packageFault(const QString &path, const QString &name, const QByteArray &bytes, QString *answer)
{
    auto on = [&](const char *fault) {
        return name == QLatin1String("IDX.DAT") ? m_faults.activeWithFilter(fault, path) : m_faults.active(fault, path);
    };
    if (on("pkg_corrupt")) {
        QByteArray out = bytes;
        for (int k = 6; k < out.size() - 4; k += 5)
            out[k] = char(out[k] ^ 0x5A);
        *answer = QStringLiteral("[corrupt zlib stream]");
        return out;
    }
    if (on("pkg_not_json")) {
        *answer = QStringLiteral("[not JSON]");
        return qCompress("<html><body><h1>502 Bad Gateway</h1></body></html>");
    }
    if (on("pkg_bomb")) {
        *answer = QStringLiteral("[declared length 0x70000000]");
        return bomb();
    }
    return bytes;
}

// Declares 1.75 GiB and inflates to 64 MiB of blanks: a client that trusts the declared
// length (or inflates without a limit) pays for it.
QByteArray StandInServer::bomb()
{
    std::lock_guard<std::mutex> guard(m_bombLock);
    if (m_bomb.isEmpty()) {
        QByteArray packed = qCompress(QByteArray(64 << 20, ' '), 9);
        packed[0] = char(0x70);
        packed[1] = 0;
        packed[2] = 0;
        packed[3] = 0;
        m_bomb = packed;
    }
    return m_bomb;
}
