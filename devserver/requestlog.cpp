#include "requestlog.h"

#include <QFile>
#include <QJsonDocument>

RequestLog::~RequestLog()
{
    if (m_file)
        std::fclose(m_file);
}

bool RequestLog::open(const QString &path, QString *error)
{
    // Append mode, so a reader may truncate the file between requests.
    m_file = std::fopen(QFile::encodeName(path).constData(), "a");
    if (!m_file) {
        *error = QStringLiteral("cannot open log %1").arg(path);
        return false;
    }
    return true;
}

void RequestLog::write(const QJsonObject &entry)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_file)
        return;
    const QByteArray line = QJsonDocument(entry).toJson(QJsonDocument::Compact);
    std::fwrite(line.constData(), 1, size_t(line.size()), m_file);
    std::fputc('\n', m_file);
    std::fflush(m_file);
}
