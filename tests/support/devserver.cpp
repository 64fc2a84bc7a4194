#include "devserver.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <csignal>
#include <sys/types.h>

DevServer::DevServer(const QStringList &faults) : m_faults(faults), m_dataDir(defaultDataDir())
{
}

DevServer::~DevServer()
{
    stop();
    if (m_setHosts)
        qunsetenv("TAMREL_HOSTS");
}

QString DevServer::programPath()
{
    return qEnvironmentVariable("TAMREL_DEVSERVER");
}

QString DevServer::defaultDataDir()
{
    const QString dir = qEnvironmentVariable("TAMREL_DEVDATA");
    if (!dir.isEmpty())
        return dir;
    return qEnvironmentVariable("TAMREL_BINARY_DIR") + QStringLiteral("/devdata/small");
}

QString DevServer::hostsIniPath() const
{
    return m_dir ? m_dir->filePath(QStringLiteral("hosts.ini")) : QString();
}

bool DevServer::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

bool DevServer::pause()
{
    return isRunning() && m_process->processId() > 0 && ::kill(pid_t(m_process->processId()), SIGSTOP) == 0;
}

bool DevServer::resume()
{
    return isRunning() && m_process->processId() > 0 && ::kill(pid_t(m_process->processId()), SIGCONT) == 0;
}

bool DevServer::start()
{
    if (isRunning())
        return true;
    m_dir = std::make_unique<QTemporaryDir>();
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("cannot create a temporary folder");
        return false;
    }
    return launch({QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")});
}

bool DevServer::restart()
{
    if (!m_dir) {
        m_error = QStringLiteral("restart() before start()");
        return false;
    }
    stop();
    return launch({QString::number(m_service.port()), QString::number(m_service2.port()), QString::number(m_object.port())});
}

bool DevServer::launch(const QStringList &ports)
{
    if (programPath().isEmpty()) {
        m_error = QStringLiteral("TAMREL_DEVSERVER is not set");
        return false;
    }
    if (!QFile::exists(m_dataDir + QStringLiteral("/manifest.json"))) {
        m_error = QStringLiteral("no data set in %1").arg(m_dataDir);
        return false;
    }
    QStringList args = {QStringLiteral("serve"),        QStringLiteral("--data"),          m_dataDir,
                        QStringLiteral("--service-port"), ports.at(0),                    QStringLiteral("--service-port2"),
                        ports.at(1),                      QStringLiteral("--object-port"), ports.at(2),
                        QStringLiteral("--hosts-ini"),    hostsIniPath(),                  QStringLiteral("--log"),
                        m_dir->filePath(QStringLiteral("requests.log")), QStringLiteral("--state"),
                        m_dir->filePath(QStringLiteral("state"))};
    for (const QString &fault : qAsConst(m_faults))
        args << QStringLiteral("--fault") << fault;

    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(programPath(), args);
    if (!m_process->waitForStarted(10000)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(programPath(), m_process->errorString());
        return false;
    }
    QByteArray out;
    const QDeadlineTimer deadline(30000);
    while (!out.contains('\n') && m_process->state() == QProcess::Running && !deadline.hasExpired()) {
        m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        out += m_process->readAllStandardOutput();
    }
    const QByteArray line = out.left(out.indexOf('\n')).trimmed();
    if (!line.startsWith("READY ")) {
        m_error = QStringLiteral("the stand-in did not report READY (output: %1)").arg(QString::fromUtf8(out));
        stop();
        return false;
    }
    const QJsonObject ready = QJsonDocument::fromJson(line.mid(6)).object();
    m_service = QUrl(ready.value(QLatin1String("service")).toString());
    m_service2 = QUrl(ready.value(QLatin1String("service2")).toString());
    m_object = QUrl(ready.value(QLatin1String("object")).toString());
    qputenv("TAMREL_HOSTS", QFile::encodeName(hostsIniPath()));
    m_setHosts = true;
    return true;
}

bool DevServer::stop()
{
    if (!m_process)
        return false;
    bool clean = false;
    if (m_process->state() != QProcess::NotRunning) {
        resume(); // held still, it would take SIGTERM only once it goes on
        m_process->terminate();
        if (!m_process->waitForFinished(15000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        } else {
            clean = m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
        }
    }
    m_process.reset();
    return clean;
}

QJsonObject DevServer::manifest() const
{
    QFile file(m_dataDir + QStringLiteral("/manifest.json"));
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    return QJsonDocument::fromJson(file.readAll()).object();
}

QList<QJsonObject> DevServer::requestLog() const
{
    QList<QJsonObject> out;
    if (!m_dir)
        return out;
    QFile file(m_dir->filePath(QStringLiteral("requests.log")));
    if (!file.open(QIODevice::ReadOnly))
        return out;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.isEmpty())
            out.append(QJsonDocument::fromJson(line).object());
    }
    return out;
}

void DevServer::clearRequestLog()
{
    if (m_dir)
        QFile(m_dir->filePath(QStringLiteral("requests.log"))).resize(0);
}

bool DevServer::setFault(const QString &name, bool on, const QString &path)
{
    QString query = QStringLiteral("/_control/fault?name=") + QString::fromLatin1(QUrl::toPercentEncoding(name))
                    + QStringLiteral("&on=") + (on ? QLatin1Char('1') : QLatin1Char('0'));
    if (!path.isEmpty())
        query += QStringLiteral("&path=") + QString::fromLatin1(QUrl::toPercentEncoding(path));
    return control(query);
}

bool DevServer::resetFaults()
{
    return control(QStringLiteral("/_control/reset"));
}

bool DevServer::dropSessions()
{
    return control(QStringLiteral("/_control/logout"));
}

bool DevServer::control(const QString &pathAndQuery)
{
    if (!isRunning()) {
        m_error = QStringLiteral("the stand-in is not running");
        return false;
    }
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(m_service.toString() + pathAndQuery)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    const bool ok = reply->isFinished() && reply->error() == QNetworkReply::NoError
                    && answer.value(QLatin1String("res")).toInt() == 1;
    if (!ok)
        m_error = QStringLiteral("control request %1 failed: %2").arg(pathAndQuery, answer.value(QLatin1String("msg")).toString());
    reply->abort();
    delete reply;
    return ok;
}
