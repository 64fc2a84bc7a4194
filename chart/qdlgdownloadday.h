#pragma once

#include <QByteArray>
#include <QDialog>
#include <QPoint>
#include <QString>

class QHttpClient;
class QLabel;
class QProgressBar;

// Fetches one stock's day prices from the object host and writes them into the stock's price
// file, then emits freshChart(). Kept by the main window for the whole run, hidden between
// downloads.
//
// A request for the code last asked for is ignored, so a chart that still looks stale after an
// import does not fetch the same stock again and again; a failure forgets the code, so the next
// request retries. One transfer at a time: a request for another stock while one runs waits
// and starts when it ends (the newest waiting request wins). Escape or closing only hides the
// dialog: the transfer and its import go on, into the file of the code they were started for.
class QDlgDownloadDay : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgDownloadDay(QWidget *parent = nullptr);

    bool isBusy() const { return !activeCode.isEmpty(); }
    QString getPendingCode() const { return pendingCode; }

signals:
    void freshChart();

public slots:
    void downloadProgress(double percent);
    void downloadFinished(int code, QByteArray body);
    void downloadDay(const QString &stockCode);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void init();
    void start(const QString &code);
    bool importDayPrice(const QString &code, const QString &text);
    void fail(const QString &code, const QString &text);
    void startPending();

    QLabel *lblProgress = nullptr;
    QProgressBar *prgDownload = nullptr;
    QPoint pressPos;
    QPoint windowOrigin;
    QHttpClient *client = nullptr;
    QString requestedCode; // the latest accepted request
    QString activeCode;    // the code whose transfer or import runs now
    QString pendingCode;   // the request that waits for it
    int importSerial = 0;
};
