#include "qdlgdownloadday.h"

QDlgDownloadDay::QDlgDownloadDay(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("下载日线..."));
}

void QDlgDownloadDay::downloadDay(const QString &stockCode)
{
    Q_UNUSED(stockCode)
}
