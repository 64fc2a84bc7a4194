#pragma once

#include <QString>

class JsonScript;

// A rating list request ({"id", "name", "args", "order"}) as the rating list reads it. A
// missing argument reads as an empty text or 0; "order" is not read, since every rating list
// is sorted by publication, newest first.
struct RatingListRequest
{
    QString id;
    QString name;

    int days = 0;
    int count = 0;
    QString action;
    int isNew = 0; // "new"
    int scope = 0;
    QString recomm;
    QString stkCode;
    QString inst;
    QString ind;
    QString block;
    QString exchange;
    QString preCode;
    QString anls;
    int tp = 0;
    int est = 0;
    QString all;

    static RatingListRequest parse(const QString &text, JsonScript &json);
};
