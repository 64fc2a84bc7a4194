#pragma once

#include <QDateTime>
#include <QString>

// One listed stock of the stock cache.
class QStockRecord
{
public:
    QStockRecord();
    // Factor comes before share here, unlike the fields.
    QStockRecord(const QString &code, const QString &name, double factor, double share,
                 const QString &industry, int priceCount, const QDateTime &priceModifyTime,
                 int matrixLevel);

    QString getName() const { return name; }
    double getFactor() const { return factor; }
    double getShare() const { return share; }
    // The first of the comma-separated industries.
    QString getIndustry() const;
    int getPriceCount() const { return priceCount; }
    QDateTime getPriceModifyTime() const { return priceModifyTime; }
    int getMatrixLevel() const { return matrixLevel; }

private:
    QString code;
    QString name;
    double share = 0.0;
    QString industry;
    double factor = 0.0;
    int priceCount = 0;
    QDateTime priceModifyTime;
    int matrixLevel = 0;
};
