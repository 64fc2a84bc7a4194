#include "qstockrecord.h"

QStockRecord::QStockRecord() = default;

QStockRecord::QStockRecord(const QString &code, const QString &name, double factor, double share,
                           const QString &industry, int priceCount, const QDateTime &priceModifyTime,
                           int matrixLevel)
    : code(code), name(name), share(share), industry(industry), factor(factor),
      priceCount(priceCount), priceModifyTime(priceModifyTime), matrixLevel(matrixLevel)
{
}

QString QStockRecord::getIndustry() const
{
    return industry.section(QLatin1Char(','), 0, 0);
}
