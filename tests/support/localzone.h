#pragma once

// The user's time zone for a part of a test: QDateTime's local time follows TZ once tzset() has
// read it. The zone before comes back when the guard goes.

#include <QByteArray>
#include <QtGlobal>

#include <time.h>

class LocalZone
{
public:
    explicit LocalZone(const QByteArray &zone)
        : m_had(qEnvironmentVariableIsSet("TZ"))
        , m_before(qgetenv("TZ"))
    {
        qputenv("TZ", zone);
        tzset();
    }

    ~LocalZone()
    {
        if (m_had)
            qputenv("TZ", m_before);
        else
            qunsetenv("TZ");
        tzset();
    }

    LocalZone(const LocalZone &) = delete;
    LocalZone &operator=(const LocalZone &) = delete;

private:
    bool m_had;
    QByteArray m_before;
};
