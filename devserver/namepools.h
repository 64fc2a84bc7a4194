#pragma once

#include <QString>
#include <QStringList>

class Rng;

// Word pools that make the sample data read like Chinese market data: the side bar's industry
// names, stock names with their initials spelling, person names and institution names.
class NamePools
{
public:
    static const QStringList &industries();                  // the 25 side-bar industry names
    static QString subIndustry(int industry, Rng &rng);      // a finer industry, or empty
    static QString stockName(int industry, Rng &rng, QString *spell);
    static QString personName(Rng &rng);
    static QStringList domesticInstitutions(int count, Rng &rng);
    static const QStringList &internationalBanks();
    static QString industryWord(int industry, Rng &rng);     // a theme of the industry for titles
    static QString hongKongCompany(Rng &rng, QString *ticker);
};
