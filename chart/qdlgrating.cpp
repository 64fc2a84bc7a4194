#include "qdlgrating.h"

QDlgRating::QDlgRating(QWidget *parent)
    : QDialog(parent)
{
}

void QDlgRating::showRating(const QString &stockCode, const QString &date)
{
    Q_UNUSED(stockCode)
    Q_UNUSED(date)
}
