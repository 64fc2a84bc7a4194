#pragma once

#include "datafolder.h"
#include "faultset.h"
#include "requestlog.h"
#include "userstore.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
}

// `tamrel-devserver serve`: the service host on two ports and the object host (under "/oss")
// on a third, all in one process, over plain HTTP on 127.0.0.1.
class StandInServer
{
public:
    struct Options
    {
        QString dataDir;
        QString stateDir;      // uploaded lists; default <data>/state
        QString logFile;       // request log, one JSON line per request
        QString hostsIni;      // written for the ports actually bound
        int servicePort = 17801;
        int servicePort2 = 17802;
        int objectPort = 17803;
        QStringList faults;
    };

    explicit StandInServer(const Options &options);
    ~StandInServer();

    bool start(QString *error);
    QByteArray readyLine() const;   // READY {"service":..,"service2":..,"object":..}
    QString summary() const;        // the data folder and the sample accounts, for people
    void stop();

private:
    enum class Host { Service, Service2, Object };
    struct Reply
    {
        int status = 200;
        QByteArray body;
        const char *contentType = "application/json; charset=utf-8";
        QString answer;        // what the request log shows instead of a binary body
    };

    void handle(Host host, const httplib::Request &req, httplib::Response &res);
    Reply control(const QString &path, const QList<QPair<QString, QString>> &query);
    Reply service(const httplib::Request &req, const QString &path, const QString &rawQuery);
    Reply object(const QString &path);
    Reply login(const QList<QPair<QString, QString>> &q);
    Reply reportFile(const QList<QPair<QString, QString>> &q, bool share);
    Reply upload(const httplib::Request &req, const QString &kind, const QList<QPair<QString, QString>> &q);
    Reply page(const QString &path, const QString &rawQuery);
    Reply package(const QString &path, const QString &name);
    QByteArray packageFault(const QString &path, const QString &name, const QByteArray &bytes, QString *answer);
    QByteArray bomb();
    bool writeHostsIni(QString *error) const;
    QString objectBase() const;

    static Reply json(int res, const QString &msg, const QJsonObject &data = QJsonObject());
    static Reply notFound();

    Options m_options;
    DataFolder m_data;
    UserStore m_users;
    FaultSet m_faults;
    RequestLog m_log;
    std::unique_ptr<httplib::Server> m_servers[3];
    int m_ports[3] = {0, 0, 0};
    std::vector<std::thread> m_threads;
    std::atomic<bool> m_stopping{false};
    std::mutex m_bombLock;
    QByteArray m_bomb;
};
