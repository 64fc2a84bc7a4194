#pragma once

#include <QString>
#include <QVariant>

class JsonScript;

// A list request of the analysis windows ({"id", "name", "args", "order", "direct"}) as their
// queries read it. A missing text argument reads as "", a missing integer argument as 0;
// integer arguments accept a JSON number or a numeric text, truncated toward zero.
struct AnalysisListRequest
{
    // False for a text that does not parse or is not an object.
    bool valid = false;

    QString id;
    QString name;
    QString order;
    QString direct;

    // Stock filters of the stock lists
    QString stkCode;
    QString exchange;
    QString preCode;
    QString ind;
    QString block;
    int portfolio = 0;

    // Consensus filters
    int tp = 0;
    int scope = 0;
    int est = 0;
    int growth = 0;
    int pe = 0;
    int peg = 0;
    int inc = 0;

    // Value-matrix levels, "7,8,9"
    QString matrix;

    // Analyst ranking filters; "ind" above is the analyst's industry there
    QString anls; // one Anl_ID
    QString inst;
    QString all; // "INS" or "ANL": the user's followed institutions or analysts
    int months = 0;
    int shortRate = 0;
    int middleRate = 0;

    static AnalysisListRequest parse(const QString &text, JsonScript &json);
};

// A request's number as SQL reads a numeric literal, blanks around it dropped: "07" and
// "1001.0" as integers, "3.5" as a real; invalid for any other text. Bound, never pasted.
QVariant sqlNumber(const QString &text);
