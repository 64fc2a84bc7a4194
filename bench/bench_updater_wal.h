#pragma once

// The size of data.s3's WAL during a sync. It is largest right after a package's commit (a
// checkpoint copies without shrinking the file; only a TRUNCATE checkpoint or the first commit
// after a restart cuts it), so sampling after every package sees its peak.

#include <QFileInfo>
#include <QString>

class WalWatch
{
public:
    explicit WalWatch(const QString &databasePath)
        : m_path(databasePath + QStringLiteral("-wal"))
    {
    }

    // Bytes of the WAL now; 0 when there is none.
    qint64 size() const { return QFileInfo(m_path).size(); }
    void sample() { m_peak = qMax(m_peak, size()); }
    qint64 peak() const { return m_peak; }

private:
    QString m_path;
    qint64 m_peak = 0;
};

inline double megabytes(qint64 bytes)
{
    return double(bytes) / 1e6;
}
