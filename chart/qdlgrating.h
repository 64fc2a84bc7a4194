#pragma once

#include <QDialog>
#include <QString>

class QPoint;
class QTableWidget;

// The pop-up of one stock's ratings on one date, opened from a rating mark of the chart and
// hidden when the pointer leaves it. Clicking a rating asks the main window to open its report.
// It opens centred on the pointer, moved only as far as keeps its frame on the screen.
class QDlgRating : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgRating(QWidget *parent = nullptr);

    QTableWidget *ratingTable() const { return TblRatingList; }

signals:
    void openFile(const QString &rptID, const QString &localFilePath);

public slots:
    void showRating(const QString &stockCode, const QString &date);
    void hideRating();
    void viewReport();

protected:
    void leaveEvent(QEvent *event) override;

private:
    void init();
    void loadRatings();
    void placeAt(const QPoint &pointer);

    QTableWidget *TblRatingList = nullptr;
    QString stockCode;
    QString ratingDate;
    bool hideOnLeave = true;
};
