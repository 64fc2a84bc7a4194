#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>

// Packages listed in the index only while the fault "hostile_rows" is on: rows whose names
// hold apostrophes and whose numeric fields hold SQL-shaped text. A client that builds SQL text
// from them fails the row or worse; one that binds values stores them harmlessly.
class HostilePackages
{
public:
    static QStringList names();
    static QJsonArray indexEntries(const QString &today);
    static bool text(const QString &name, const QString &today, QByteArray *json);
};
