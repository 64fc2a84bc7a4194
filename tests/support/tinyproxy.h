#pragma once

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

// Debian's tinyproxy on a free loopback port for one test, optionally asking for a user and
// password. log() holds what it has logged so far, its request lines among it
// ("GET http://127.0.0.1:.../path?...").
class TinyProxy
{
public:
    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("tinyproxy")).isEmpty(); }

    bool start(const QString &user = QString(), const QString &password = QString())
    {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("tinyproxy"));
        if (program.isEmpty() || !m_dir.isValid())
            return false;
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost))
            return false;
        m_port = probe.serverPort();
        probe.close();
        QFile config(m_dir.filePath(QStringLiteral("tinyproxy.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return false;
        QByteArray text = "Port " + QByteArray::number(m_port) + "\nListen 127.0.0.1\n"
                          "Timeout 30\nAllow 127.0.0.1\nLogLevel Connect\nMaxClients 10\n";
        if (!user.isEmpty())
            text += "BasicAuth " + user.toUtf8() + ' ' + password.toUtf8() + '\n';
        config.write(text);
        config.close();
        m_process.setProgram(program);
        m_process.setArguments({QStringLiteral("-d"), QStringLiteral("-c"), config.fileName()});
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start();
        if (!m_process.waitForStarted())
            return false;
        for (int i = 0; i < 100; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(100))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    ~TinyProxy()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    quint16 port() const { return m_port; }

    QByteArray log()
    {
        m_log += m_process.readAll();
        return m_log;
    }

    // The number of requests it has passed on for URLs that start with the prefix.
    int requestCount(const QString &urlPrefix)
    {
        return log().count("GET " + urlPrefix.toUtf8());
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QByteArray m_log;
};
