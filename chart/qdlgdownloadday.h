#pragma once

#include <QDialog>

// Downloads one stock's day prices for the chart. Kept by the main window for the whole
// run; the download is not built yet.
class QDlgDownloadDay : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgDownloadDay(QWidget *parent = nullptr);

signals:
    void freshChart();

public slots:
    void downloadDay(const QString &stockCode);
};
