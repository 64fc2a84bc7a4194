#pragma once

#include <QDialog>

// The twenty stocks recommended by the most institutions in the last 30 days. Kept by the
// main window for the whole run; its list is not built yet.
class QDlgHotRating : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgHotRating(QWidget *parent = nullptr);

signals:
    void showRatingListOfStock(const QString &stockCode);
};
