#pragma once

// The update engine. It lives on a thread of its own (moveToThread, start() connected to the
// thread's started()) and keeps data.s3 current: a one-second tick starts an index cycle once a
// minute (fetch IDX.DAT, queue the packages newer than their T_Data record, fetch and import them
// one at a time), and between cycles uploads the first user list that has changed. Everything it
// has to say reaches the GUI through its signals, which are queued there.
//
// It owns its own connection to data.s3 (opened on its thread and closed before exitSystem()),
// its own HTTP client and its timer. Each package is imported in one transaction together with
// its T_Data record, so a package is stored whole or not at all and a failed or interrupted one
// is fetched again; data.s3 is checkpointed when the WAL has grown, when a cycle ends and when
// the engine stops, and the WAL is cut while the engine waits (engineconnection.h). The stop flag
// is looked at between packages, never inside one.

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QMultiHash>
#include <QString>
#include <QStringList>

#include "listupload.h"

class QHttpClient;
class QTimer;

class QUpdater : public QObject
{
    Q_OBJECT

public:
    QUpdater();
    ~QUpdater() override;

    // Seconds from the start of one index cycle to the next (60). For tools and tests; set it
    // before the thread starts.
    void setCycleInterval(int seconds);

signals:
    void showStatus(const QString &text);
    void showNewestReport();
    void showNewestRating();
    void showReportCount();
    void exitSystem();
    void showOuttimeDialog();
    void addMessage(const QString &reportId, const QString &title, const QString &institution, const QString &type,
                    const QDateTime &entryTime, const QDateTime &publishDate);
    void addAlert(const QString &kind, const QString &reportId);
    void loadConcernedAnalystListOfSidebar();
    void showReportTipOfBlock(const QString &stockCode);

    // For tools and tests: one package was handled (ok: stored and recorded), with its row count
    // and the milliseconds its import took; and an index cycle ended, with the number of packages
    // fetched and of those that failed.
    // complete is false when the index could not be fetched or the engine was stopping.
    void packageImported(const QString &name, bool ok, int rows, qint64 milliseconds);
    void cycleFinished(bool complete, int fetched, int failed);

private slots:
    void downloadProgress(double percent);
    void downloadIndexFinished(int code, const QByteArray &body);
    void downloadDatFinished(int code, const QByteArray &body);
    void updateConcernedInstFinished(int code, const QByteArray &body);
    void updateReportSubscribeFinished(int code, const QByteArray &body);
    void updateReportFavoriteFinished(int code, const QByteArray &body);
    void updateStockBlockFinished(int code, const QByteArray &body);
    void updateConcernedAnalystFinished(int code, const QByteArray &body);
    void timerEvent();
    void start();
    void stop();

private:
    // The tick is the slot timerEvent(); the event handler of QObject stays as it is.
    using QObject::timerEvent;

    void init();
    void pause();
    void resume();
    void downloadIndex();
    void parseIndex(const QString &text);
    void downloadDat();
    void importDat(const QString &name, const QString &time, const QByteArray &body);
    void clearReportFiles();
    void closeDatabase();

    bool mayRecord(const QString &base, const QString &time) const;
    void endCycle(const QString &text, bool complete);
    // Checkpoints and cuts the WAL; when a reader keeps it, walKept says so for the ticks.
    void cutWal();
    void startUpload(UploadList list);
    void finishUpload(UploadList list, int code, const QByteArray &body);

    // Rewires the client's two signals to the engine's progress slot and to finished.
    template <typename Slot>
    void connectClient(Slot finished);

    bool stopped = false;
    QHttpClient *client = nullptr;
    QDateTime lastCycle;
    QTimer *timer = nullptr;
    QStringList pendingNames;
    QStringList pendingTimes;

    int cycleInterval = 60;
    bool uploadsBlocked = false;   // the session timed out: no upload can succeed in this run
    bool databaseOpen = false;
    bool walKept = false;   // the last checkpoint could not cut the WAL
    bool walKeptSaid = false;   // the log said that it has been kept for minutes
    QElapsedTimer walKeptSince;
    QMultiHash<QString, QString> failedTimes;   // base name -> "tM" of each package that failed in this cycle
    int cycleFetched = 0;
    int cycleFailed = 0;
};
