#pragma once

#include "alertreport.h"

#include <QAbstractNativeEventFilter>
#include <QDialog>
#include <QMargins>

class PlaceByFrame;
class QTableWidget;

// The pop-up of the reports behind alerted rating changes (first ratings and upgrades, as
// chosen in Option/Alert), newest at the top, in the bottom-right corner of the screen.
// Clicking a title asks for the report's file; closing empties the list (Escape only hides
// it). An alert whose report has not been imported yet waits for the next report package.
// It comes up without taking the keyboard: only the user gives it the focus (a click on it).
// Kept by the main window for the whole run.
class QDlgAlert : public QDialog, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit QDlgAlert(QWidget *parent = nullptr);

    QTableWidget *alertList() const { return tblAlertList; }
    int pendingAlertCount() const { return pending.size(); }

signals:
    void openFile(const QString &rptID, const QString &localFilePath);

public slots:
    void addAlert(const QString &kind, const QString &reportId);
    // Shows the waiting alerts whose reports have arrived since.
    void retryPendingAlerts();
    void viewReport();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    bool addAlertRow(const QString &reportId);
    void popUp();
    QPoint cornerFor(const QMargins &frame) const;
    void placeInCorner(const QMargins &frame);
    void placeByFrame(const QMargins &frame);

    QTableWidget *tblAlertList = nullptr;
    PendingAlerts pending;
    PlaceByFrame *placement = nullptr;
    QMargins lastFrame; // the frame its manager told last
    bool clicked = false; // by the user, since it was shown
};
