#include "qdlgdownloadfile.h"

QDlgDownloadFile::QDlgDownloadFile(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("下载报告..."));
}

void QDlgDownloadFile::downloadReport(const QString &id, const QString &path)
{
    rptID = id;
    localFilePath = path;
}
