#pragma once

#include <QDateTime>
#include <QString>

class QSqlQuery;

// One rating of a list page as its row shows it: the values of the rating list query's record
// and the texts made from them. Database texts are escaped wherever they go into markup.
class RatingListRow
{
public:
    enum Direction { None, Up, Down };

    // The current record of a query of RatingListQuery; a null value reads as 0 or empty.
    static RatingListRow fromQuery(const QSqlQuery &query);

    QString id;
    int daysPassed = 0;
    int yearPassed = 0;
    QDateTime publish;
    QString inst;
    QString analysts; // Anl_List: "name[id],name[id]"
    QString stockCode;
    QString stockName;
    QString industry;
    QString recomm;
    int score = 0;
    QString action;
    int pageCount = 0;
    double pricePub = 0, tpLower = 0, tpUpper = 0, preTpLower = 0, preTpUpper = 0;
    double adjustRatio = 0, close = 0, scopeLower = 0, scopeUpper = 0, change = 0;
    double epsLast = 0, epsNew = 0;
    double eps[3] = {0, 0, 0};    // estimates for the three years after the list year
    double preEps[3] = {0, 0, 0}; // the previous rating's
    double peTtm = 0, peLast = 0;
    double performShort = 0, performMiddle = 0;
    QString title;
    QString type;
    bool hasReport = false; // false until the rating's report is imported
    int readed = 0;
    QString recommendId;

    bool isUnread() const { return readed == 0; }
    // Older than RatingDays: shown gray.
    bool isOld(int ratingDays) const { return daysPassed > ratingDays; }

    QString dateText() const;
    QString analystHtml() const;
    QString industryText() const;
    QString actionMark() const;
    QString ratingHtml() const;
    // The colour name of the rating cell: red, orange or green by the score, else gray when
    // old; empty for the label's own colour.
    QString ratingColor(bool old) const;
    QString stockHtml() const;
    QString pageText() const;
    QString pricePubText() const;
    QString targetText() const;
    QString previousTargetText() const;
    Direction targetChange(QString *mark) const;
    QString roomText() const;
    QString targetHtml() const; // empty when there is no target
    QString targetToolTip() const;
    QString closeText() const;
    QString changeText() const;
    QString epsLastText() const;
    // n = 1, 2, 3: the estimate cells; n = 1 shows the reported figure once there is one.
    QString epsHtml(int n) const;
    QString epsToolTip(int n) const;
    Direction epsChange(int n, QString *mark) const;
    QString peTtmText() const;
    QString cagrText() const;
    QString pegText() const;
    // The file name of the report; empty while the report is not imported.
    QString fileName() const;

    // "<img ...correct.png>" at or above the threshold, "<img ...wrong.png>" below it, empty for 0.
    static QString performImage(double value, int threshold);
    static QString performText(double value);
};

// Fixed-point text with the given decimals.
inline QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// The mark of a rating action: "*" first rating, "↑" upgrade, "↓" downgrade, "-" otherwise.
QString ratingActionMark(const QString &action);
