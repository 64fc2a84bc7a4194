#pragma once

#include <QDialog>

// The pop-up of one stock's ratings on one date, opened from the chart; not built yet.
class QDlgRating : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgRating(QWidget *parent = nullptr);

signals:
    void openFile(const QString &rptID, const QString &localFilePath);

public slots:
    void showRating(const QString &stockCode, const QString &date);
};
