#pragma once

// A data.s3 for the report list tests in a temporary folder (also the data directory), with
// helpers to fill it, empty the user's lists and find rows.

#include "databaseschema.h"
#include "defaultconfig.h"
#include "fixturerows.h"
#include "globalstate.h"
#include "qwinreportlist.h"
#include "testfiles.h"
#include "userliststore.h"
#include "usersettings.h"

#include <QRegularExpression>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// The embedded configuration and an empty data.s3 filled with reports.
inline std::unique_ptr<QTemporaryDir> openFixtureDatabase(const QList<FixtureReport> &reports)
{
    loadDefaultConfig();
    auto dir = std::make_unique<QTemporaryDir>();
    if (!dir->isValid() || !initMainDatabase(dir->path()))
        return nullptr;
    setDataDir(dir->path());
    for (const FixtureReport &r : reports) {
        if (!insertReport(r))
            return nullptr;
    }
    return dir;
}

inline void clearUserLists()
{
    resetUserLists();
    setMaskedInstList(QString());
    setPageSize(50);
    setPageCount(0);
    setIncludeCompany(1);
}

// The [Orders] template of id with each "%key%" replaced by its value.
inline QString filledRequest(const QString &id, const QList<QPair<QString, QString>> &values = {})
{
    QString text = getOrderJson(id);
    for (const auto &kv : values)
        text.replace(QLatin1Char('%') + kv.first + QLatin1Char('%'), kv.second);
    return text;
}

// Every [Orders] template of a list kind ("RPT_", "RAT_"), each placeholder filled with "1".
inline QStringList filledTemplates(const QString &kindPrefix)
{
    QSettings config(QStringLiteral(":/config.ini"), QSettings::IniFormat);
    config.beginGroup(QStringLiteral("Orders"));
    QStringList requests;
    for (const QString &key : config.childKeys()) {
        QString request = config.value(key).toString();
        request.replace(QRegularExpression(QStringLiteral("%[A-Za-z]+%")), QStringLiteral("1"));
        if (request.contains(QLatin1Char('"') + kindPrefix))
            requests << request;
    }
    return requests;
}

inline int rowOf(QTableWidget *t, const QString &id)
{
    for (int r = 0; r < t->rowCount(); ++r) {
        if (t->item(r, 0)->data(Qt::UserRole).toString() == id)
            return r;
    }
    return -1;
}
