#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>

// Runs the local stand-in of the service (tamrel-devserver) for one test.
//
//   DevServer server;                  // or DevServer server({"login_refused"});
//   QVERIFY2(server.start(), qPrintable(server.errorString()));
//   ... the client now reaches it: TAMREL_HOSTS names the hosts INI for the bound ports ...
//
// start() launches the program (path from $TAMREL_DEVSERVER) on free loopback ports with the
// data folder from $TAMREL_DEVDATA, else ${TAMREL_BINARY_DIR}/devdata/small, waits for its
// READY line, writes the hosts INI into a temporary folder and sets TAMREL_HOSTS for this
// process. Uploaded lists and the request log also live in that folder. The destructor stops
// the program and unsets TAMREL_HOSTS.
class DevServer
{
public:
    explicit DevServer(const QStringList &faults = QStringList());   // names as on the command line
    ~DevServer();
    DevServer(const DevServer &) = delete;
    DevServer &operator=(const DevServer &) = delete;

    bool start();
    // Stops and starts again on the same ports with the same uploaded lists; sessions are lost.
    bool restart();
    // SIGTERM, then waits; true when the program ended by itself with exit code 0.
    bool stop();
    bool isRunning() const;
    // Holds the stand-in still (SIGSTOP), as a host that has not answered yet, until resume():
    // requests sent meanwhile wait, and are answered once it goes on. No control request then.
    bool pause();
    bool resume();
    QString errorString() const { return m_error; }

    QUrl serviceUrl() const { return m_service; }      // [ServiceHost] Host0, e.g. http://127.0.0.1:40001
    QUrl serviceUrl2() const { return m_service2; }    // [ServiceHost] Host1
    QUrl objectUrl() const { return m_object; }        // ObjectHost/Host, ends with "/oss"
    QString hostsIniPath() const;
    QString dataDir() const { return m_dataDir; }
    QJsonObject manifest() const;                       // the data folder's manifest.json

    // Every request answered so far, oldest first: server, method, path, query, body, status, answer.
    QList<QJsonObject> requestLog() const;
    void clearRequestLog();

    // Switches a fault (see `tamrel-devserver --help`); a path limits it to paths starting with it.
    bool setFault(const QString &name, bool on = true, const QString &path = QString());
    bool resetFaults();          // every fault off
    bool dropSessions();         // every session id becomes unknown (as after a time-out)

    static QString programPath();
    static QString defaultDataDir();

private:
    bool launch(const QStringList &ports);
    bool control(const QString &pathAndQuery);

    QStringList m_faults;
    QString m_dataDir;
    QString m_error;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
    QUrl m_service, m_service2, m_object;
    bool m_setHosts = false;
};
