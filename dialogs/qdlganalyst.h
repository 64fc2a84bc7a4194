#pragma once

#include <QDialog>

// The analyst award table. Kept by the main window for the whole run; not built yet.
class QDlgAnalyst : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgAnalyst(QWidget *parent = nullptr);

signals:
    void showReportListOfAnls(const QString &analystId);
    void showReportListOfInst(const QString &institution);
};
