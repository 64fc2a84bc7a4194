#pragma once

#include <QString>

class JsonScript;

// A report list request ({"id", "name", "args"}) as the report list reads it. A missing
// argument reads as an empty text, "imp" as 0.
struct ReportListRequest
{
    // False for a text that does not parse, is not an object or names no list.
    bool valid = false;

    QString id;
    QString name;

    int imp = 0;
    QString inst;
    QString ind;
    QString all;
    QString block;
    QString code;
    QString anls;
    QString stkCode;
    QString titleKeyword;
    QString instKeyword;
    QString analsKeyword;
    QString fav;
    QString yearStart;
    QString yearEnd;

    static ReportListRequest parse(const QString &text, JsonScript &json);
};
