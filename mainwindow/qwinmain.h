#pragma once

#include <QMainWindow>
#include <QPoint>

class QLabel;
class QWidget;

// The main window as far as the program runs today: the frameless frame with its title
// bar, tabs, side bar and status bar, and the slots and signals that the start-up and
// the update engine rely on. The lists, dialogs and the engine are not there yet.
class QWinMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit QWinMain(QWidget *parent = nullptr);
    ~QWinMain() override;

    void showBulletinDialog();

signals:
    void stopUpdater();

public slots:
    void exitSystem();
    void showStatus(const QString &text);
    void showNewestReport();
    void showReportCount();
    void showNewestRating();
    void showReportTipOfBlock(const QString &stockCode);
    void showOuttimeDialog();
    void loadConcernedAnalystListOfSidebar();
    void openFile(const QString &reportId, const QString &localFilePath);
    void shareReport(const QString &reportId, const QString &institution, const QString &title,
                     const QString &stockCode);

protected:
    void closeEvent(QCloseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void initUi();
    QWidget *createTitleBar();
    QWidget *createTabBar();
    QWidget *createSidebar();
    void createStatusBar();

    QLabel *lblTitle = nullptr;
    QLabel *lblSpinner = nullptr;
    QLabel *lblStatus = nullptr;
    bool closeRequested = false;
    bool exitReady = false;
    QPoint pressGlobalPos;
    QPoint pressWindowPos;
};
