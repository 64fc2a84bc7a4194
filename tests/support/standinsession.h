#pragma once

// What tests need of the stand-in besides DevServer: a session id as the login would store it,
// the facts of one sample report, and the requests for one report.

#include "devserver.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "qhttpclient.h"
#include "serviceapi.h"

#include <QFile>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QString>

// Signs in with the verify request and stores the session id; true on success.
inline bool openStandInSession(const QString &account = QStringLiteral("20170101"),
                               const QString &password = QStringLiteral("demo8888"))
{
    QHttpClient client;
    client.setNoProxy();
    QSignalSpy finished(&client, &QHttpClient::downloadFinished);
    const QString tms = getTimestamp();
    if (!client.get(getVerifyApiUrl() + QStringLiteral("?acc=") + account + QStringLiteral("&pwd=")
                        + getPasswordDigest(password) + QStringLiteral("&mac=&tms=") + tms
                        + QStringLiteral("&sgn=") + getSignature(tms),
                    false)
        || !finished.wait(20000) || finished.first().at(0).toInt() != 0)
        return false;
    JsonScript json;
    const QScriptValue reply = json.parseBody(finished.first().at(1).toByteArray());
    const QString ssn = jsonText(reply.property(QStringLiteral("data")), QStringLiteral("ssn"));
    if (jsonInt(reply, QStringLiteral("res")) <= 0 || ssn.isEmpty())
        return false;
    setSessionId(ssn);
    return true;
}

struct SampleReport
{
    QString id;
    QString type;
    QString publishDate; // yyyy-MM-dd
    QString institution;
    QString title;
};

// One line of the data folder's reports.tsv.
inline SampleReport sampleReport(const QString &dataDir, const QString &id)
{
    QFile file(dataDir + QStringLiteral("/reports.tsv"));
    if (!file.open(QIODevice::ReadOnly))
        return SampleReport();
    while (!file.atEnd()) {
        const QList<QByteArray> f = file.readLine().trimmed().split('\t');
        if (f.size() >= 8 && f.at(0) == id.toLatin1())
            return SampleReport{id, QString::fromUtf8(f.at(1)), QString::fromUtf8(f.at(3)),
                                QString::fromUtf8(f.at(4)), QString::fromUtf8(f.at(6))};
    }
    return SampleReport();
}

// The stand-in's requests for one report: its address ("id=...") and its file.
inline int requestsForReport(const DevServer &server, const QString &id)
{
    const QRegularExpression own(QStringLiteral("(\\bid=|/oss/fil/)%1\\b").arg(id));
    int count = 0;
    for (const QJsonObject &entry : server.requestLog())
        count += own.match(entry.value("path").toString() + '?' + entry.value("query").toString()).hasMatch();
    return count;
}
