#pragma once

#include "reportlistquery.h"

#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QString>

// The last rows of the full pages a window has shown, per list, so that the next page (or one
// met again through the history) goes on after the nearest of them instead of skipping every
// row before it. All of it is forgotten when another connection commits (a sync adds or
// removes reports and so moves the pages); the window's own connection only writes read marks.
class ReportPageStarts
{
public:
    // Makes query go on after the last row of the nearest remembered page before its own.
    void apply(ReportListQuery &query, QSqlDatabase db);
    // last: the last row of query's page, which was full.
    void remember(const ReportListQuery &query, const ReportListKey &last);

private:
    struct List
    {
        QString key;
        QMap<int, ReportListKey> lastRows; // by page
    };
    static constexpr int kLists = 8;

    QList<List> m_lists; // the most recent first
    QString m_dataVersion;
};
