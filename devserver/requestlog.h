#pragma once

#include <QJsonObject>
#include <QString>
#include <cstdio>
#include <mutex>

// One JSON line per request (server, method, path, query, body, status, answer), flushed at
// once so that a test can read it while the stand-in runs.
class RequestLog
{
public:
    ~RequestLog();
    bool open(const QString &path, QString *error);
    void write(const QJsonObject &entry);

private:
    std::mutex m_lock;
    FILE *m_file = nullptr;
};
