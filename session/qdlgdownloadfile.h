#pragma once

#include <QDialog>

// Stand-in for the report-file download dialog: it keeps the report it was asked for and
// downloads nothing.
class QDlgDownloadFile : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgDownloadFile(QWidget *parent = nullptr);

    void downloadReport(const QString &rptID, const QString &localFilePath);

signals:
    void openFile(const QString &rptID, const QString &localFilePath);

private:
    QString rptID;
    QString localFilePath;
};
