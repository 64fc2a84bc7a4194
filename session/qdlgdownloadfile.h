#pragma once

#include <QByteArray>
#include <QDialog>
#include <QPoint>
#include <QString>

class KeysBeforeFocus;
class QHttpClient;
namespace Ui {
class QDlgDownloadFile;
}

// Fetches one report file for the main window, which keeps one instance without a parent for
// its whole life: first the file's address from the service, then the file itself, written
// under the path the caller chose. openFile(id, path) follows once the whole file is stored;
// every failure shows its own box. Each end leaves the dialog hidden; closing it (Escape
// included) aborts the transfer and only hides it, without a box: the user's cancel is no
// failure. Opened by the user for a report, it has Escape before the window manager has
// focused it (KeysBeforeFocus).
class QDlgDownloadFile : public QDialog
{
    Q_OBJECT

public:
    explicit QDlgDownloadFile(QWidget *parent = nullptr);
    ~QDlgDownloadFile() override;

    void downloadReport(const QString &id, const QString &path);
    // Whether a report's address or file is on its way.
    bool isDownloading() const;
    // For a request that comes while a download runs. The report on its way, asked for again
    // (a double-click, the same report in another list), opens once it is stored: nothing is
    // said. Another report waits until the running download has ended, and the user is told.
    void declineWhileBusy(const QString &id);

signals:
    void openFile(QString id, QString path);

public slots:
    void done(int result) override;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void downloadProgress(double percent);
    void downloadUrlFinished(int code, QByteArray body);
    void downloadFileFinished(int code, QByteArray body);

private:
    void init();
    void requestReportUrl();
    void startRequest(const QString &url, void (QDlgDownloadFile::*finished)(int, QByteArray));
    void stop();
    void end();
    void parseReportUrlReply(const QString &text);
    void downloadReportFile();
    void fail(const QString &title, const QString &text);

    Ui::QDlgDownloadFile *ui;
    QPoint pressPos;
    QPoint windowOrigin;
    QHttpClient *client = nullptr;
    KeysBeforeFocus *keys = nullptr;
    QString reportId; // the report in hand, empty between downloads
    QString filePath;
    QString fileUrl;
};
