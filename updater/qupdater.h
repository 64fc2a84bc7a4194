#pragma once

#include <QDateTime>
#include <QObject>

class QTimer;

// Stand-in for the update engine: it ticks once a second and, once asked to stop, says
// exitSystem() on its next tick. It fetches and imports nothing.
class QUpdater : public QObject
{
    Q_OBJECT

public:
    QUpdater();
    ~QUpdater() override;

signals:
    void showStatus(const QString &text);
    void showNewestReport();
    void showNewestRating();
    void showReportCount();
    void exitSystem();
    void showOuttimeDialog();
    void addMessage(const QString &reportId, const QString &title, const QString &institution,
                    const QString &type, const QDateTime &entryTime, const QDateTime &publishDate);
    void addAlert(const QString &kind, const QString &reportId);
    void loadConcernedAnalystListOfSidebar();
    void showReportTipOfBlock(const QString &stockCode);

private slots:
    void timerEvent();
    void start();
    void stop();

private:
    bool stopped = false;
    QTimer *timer = nullptr;
};
