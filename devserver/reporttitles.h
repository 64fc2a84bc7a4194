#pragma once

#include <QString>
#include <QStringList>

class Rng;

// Report category codes (as the client's configuration lists them) and Chinese titles for
// each, with the keywords the client's category lists search for (中小, 沪港通, 融资融券, 新股,
// 期权, 转债 ...). Titles hold plain double quotes, backslashes and apostrophes; the package
// writer encodes the first two as the service does.
class ReportTitles
{
public:
    enum Category {
        MacroGlobal, MacroChina, Morning, Strategy, Industry, Company, Engineering, BShare, Otc, Fund,
        FixedIncome, HongKong, HongKongMorning, HongKongStrategy, HongKongIndustry, HongKongCompany,
        HongKongDerivative, UnitedStates, Commodity, CategoryCount
    };

    struct Subject
    {
        QString stockName;
        QString stockCode;      // 600000.SH
        QString industry;
        QString theme;
        QString institution;
        QString recommendation;
        int year = 2016;
        int month = 1;
        int day = 1;
    };

    static const QStringList &codes();
    static double weight(int category);
    static bool isHongKongOrAbroad(int category);
    static QString make(int category, const Subject &s, Rng &rng);
    // "&quot;" and "&#92;" stand for double quotes and backslashes in packages.
    static QString encode(const QString &title);
    static QString decode(const QString &title);
};
