#pragma once

#include <QDialog>
#include <QMargins>
#include <QPoint>
#include <QString>

#include <optional>

class PlaceByFrame;
class QTableWidget;

// The pop-up of one stock's ratings on one date, opened from a rating mark of the chart and
// hidden when the pointer leaves it. Clicking a rating asks the main window to open its report.
// It opens centred on the pointer, moved only as far as keeps its frame on the screen.
// Before its first framing it counts on the frame the window manager drew around another of
// the program's windows, and it is placed again once the manager has told its own frame.
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
    void placeByFrame(const QMargins &frame);
    QMargins expectedFrame() const;

    QTableWidget *TblRatingList = nullptr;
    QString stockCode;
    QString ratingDate;
    bool hideOnLeave = true;
    QPoint placedFor;      // the pointer it was last placed for
    QMargins placedWith;   // the frame counted on then
    std::optional<QMargins> ownFrame; // its frame as last framed; none is a frame too
    PlaceByFrame *placement = nullptr;
};
