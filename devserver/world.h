#pragma once

#include "awardtable.h"
#include "dayseries.h"

#include <QHash>
#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <vector>

// The fixed cast of the sample data: stocks, institutions, analysts and the sample accounts.
// Everything follows from the seed (and the award table), in a fixed order.
class World
{
public:
    struct Sizes
    {
        int stocks = 300;
        int domesticInstitutions = 40;
        int internationalBanks = 6;
        int analystRecords = 450;
    };

    struct Stock
    {
        QString code;
        QString name;
        QString spell;
        int industry = 0;          // index into NamePools::industries()
        QString industryText;      // "医药生物" or "医药生物,化学制药"
        bool quit = false;
        DaySeries::Params prices;
        double shares = 0;
        double profit2015 = 0;     // net profit of the base year
        double growth = 0;         // yearly profit growth
        double roe = 0;
        double opRatio = 1.2;      // operating profit / net profit
    };

    struct Institution
    {
        QString name;
        bool international = false;
        int style = 0;             // which wording of recommendations it uses
        double weight = 1;         // share of the reports it publishes
        std::vector<int> analysts; // record indexes
    };

    struct Analyst
    {
        int id = 0;                // Anl_ID, up to four digits
        int uid = 0;               // Anl_UID, the person
        QString name;
        int institution = 0;
        QString industry;
        int months = 0;
        bool current = true;       // Anl_New of the record
        qint64 fromJd = 0;         // records of analysts who moved cover only their time there
        qint64 toJd = 0;
        bool awarded = false;
        bool mover = false;
    };

    struct Account
    {
        QString account;
        QString password;
        QString name;
        QStringList portfolio;
        QStringList institutions;
        QStringList analysts;      // uids
        QStringList masked;
        QJsonArray subscriptions;  // {"nam","cnt"} with cnt percent-encoded
        QJsonArray favourites;     // {"nam","lst"}
        QJsonArray blocks;         // {"nam","lst"}
    };

    void build(quint64 seed, const Sizes &sizes, const AwardTable &awards, qint64 todayJd);

    std::vector<Stock> stocks;
    std::vector<Institution> institutions;
    std::vector<Analyst> analysts;   // in package order: a mover's old record before the current one
    std::vector<Account> accounts;   // the last one is the guest
    QHash<QString, int> stockIndex;

    QStringList blockStocks() const; // every stock code in a sample account's block
    QString analystListText(const int *records, int count) const;
    static QString recommendationText(int style, int score);

private:
    void buildStocks(quint64 seed, int count, qint64 todayJd);
    void buildInstitutions(quint64 seed, const Sizes &sizes, const AwardTable &awards);
    void buildAnalysts(quint64 seed, int records, const AwardTable &awards, qint64 todayJd);
    void buildAccounts(quint64 seed);
};
