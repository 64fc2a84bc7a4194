#pragma once

#include <QDialog>

// The pop-up list of alerted rating changes. Kept by the main window for the whole run;
// the list is not built yet.
class QDlgAlert : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgAlert(QWidget *parent = nullptr);

signals:
    void openFile(const QString &rptID, const QString &localFilePath);

public slots:
    void addAlert(const QString &kind, const QString &reportId);
    void viewReport();
};
