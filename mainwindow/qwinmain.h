#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>

#include <initializer_list>
#include <memory>

class QDlgAlert;
class QDlgAnalyst;
class QDlgDownloadDay;
class QDlgDownloadFile;
class QDlgHotRating;
class QDlgMessage;
class QDlgRating;
class QDlgWebview;
class QKeyEvent;
class QLabel;
class QMdiSubWindow;
class QMenu;
class QStackedWidget;
class QThread;
class QToolBar;
class QToolButton;
class QUpdater;
class QWinAceList;
class QWinChart;
class QWinConsensusList;
class QWinMatrixList;
class QWinQuoteList;
class QWinRatingList;
class QWinReportList;
class Sidebar;

// The one top-level window after login: the frameless frame with its title bar, tabs,
// menu, side bar, the multiple-document area holding the seven list and chart windows, and
// the status bar with the pager. It turns choices into list requests, keeps the navigation
// history, routes each request to the window of its kind, opens report files, keeps the
// program's long-lived dialogs and runs the update engine on a thread of its own.
//
// Closing asks first, then waits for the engine to stop; the engine's exitSystem() closes
// the window for good, which ends the application's event loop.
class QWinMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit QWinMain(QWidget *parent = nullptr);
    ~QWinMain() override;

    // Shows the login's server bulletin, when there is one, in a box of its own.
    void showBulletinDialog();

signals:
    void stopUpdater();
    void showReportList(const QString &request, int page);
    void showRatingList(const QString &request, int page);
    void showConsensusList(const QString &request, int page);
    void showMatrixList(const QString &request, int page);
    void showAceList(const QString &request, int page);
    void showQuoteList(const QString &request, int page);
    void showChart(const QString &stockCode);
    void zoomInChart();
    void zoomOutChart();
    void markConcernedInst();
    void markConcernedAnalyst();
    void markFavoriteReport();
    void markBlockedStock();

public slots:
    // Frame
    void showTitle(const QString &title);
    void showReportCount();
    void showStatus(const QString &text);
    void minimizeWindow();
    void maximizeWindow();
    void restoreWindow();

    // Start-up and shutdown
    void exitSystem();
    void showOuttimeDialog();

    // Side bar
    void switchSidebarVisible();
    void loadSubscribeListOfSidebar();
    void loadFavoriteListOfSidebar();
    void loadConcernedInstListOfSidebar();
    void loadConcernedAnalystListOfSidebar();
    void loadBlockListOfSidebar();
    void showReportTipOfBlock(const QString &stockCode);
    void hideReportTipOfBlock();

    // List dispatch
    void onActionClicked();
    void showList(const QString &request, int page);
    void showReportListOfFavorite(const QString &folder);
    void showReportListOfInst(const QString &institution);
    void showReportListOfAnls(const QString &analystId);
    void showReportListOfInd(const QString &industry);
    void showReportListOfStock(const QString &stockCode);
    void showReportListOfSearch(const QString &titleKeyword, const QString &instKeyword,
                                const QString &analsKeyword, const QString &reportCode,
                                const QString &yearStart, const QString &yearEnd);
    void showReportListOfSubscribe(const QString &name);
    void showReportListOfBlock(const QString &block);
    void showRatingListOfInst(const QString &institution);
    void showRatingListOfStock(const QString &stockCode);
    void showRatingListOfInstStock(const QString &institution, const QString &stockCode);
    void showRatingListOfInd(const QString &industry);
    void showRatingListOfBlock(const QString &block);
    void showRatingListOfAnls(const QString &analystId);
    void showConsensusListOfBlock(const QString &block);
    void showConsensusListOfInd(const QString &industry);
    void showConsensusListOfStock(const QString &stockCode);
    void showAceListOfInst(const QString &institution);
    void showAceListOfInd(const QString &industry);
    void showAceListOfAnls(const QString &analystId);
    void showMatrixListOfBlock(const QString &block);
    void showMatrixListOfInd(const QString &industry);
    void showMatrixListOfStock(const QString &stockCode);
    void showQuoteListOfInd(const QString &industry);
    void showQuoteListOfBlock(const QString &block);

    // Navigation history and paging
    void showLastList();
    void showNewestReport();
    void showNewestRating();
    void goPageBack();
    void goPageFirst();
    void goPagePrevious();
    void goPageNext();
    void goPageLast();
    void disablePageNext();
    void disablePageLast();
    void disablePageAll();
    void disableGoBack();

    // The pickers: the list filling asks them for the institution, analyst or stock to show.
    QString showInstSelectDialog(const QString &rang);
    QString showGeniusDialog(const QString &key);
    QString showAnalystSelectDialog();
    void showChartOfStock(const QString &key);

    // Report files
    void openFile(const QString &rptID, const QString &localFilePath);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    // Dialog launchers, reached from the menu, the side bar and the title bar
    void showAboutDialog();
    void showProxyDialog();
    void showOptionDialog();
    void showDisplayDialog();
    void showMessageDialog(bool toShow);
    void showHelpDialog();
    void showInstManageDialog();
    void showWinDialog();
    void showAnalystDialog();
    void showBlockManageDialog();
    void showFavoriteManageDialog();
    void showSubscribeManageDialog();
    void showAnalystManageDialog();
    void showHotRatingDialog();
    void shareReport(const QString &rptID, const QString &inst, const QString &title,
                     const QString &stkCode);
    void onShortcutMenuClicked(const QString &link);

private:
    // The side bar's entries open the list editors and the award table.
    friend class Sidebar;

    void init();
    void initUi();
    QWidget *createTitleBar(QWidget *parent);
    QWidget *createTabBar(QWidget *parent);
    void createMenu(QToolButton *button);
    void createQuoteMenu(QMenu *menu);
    QWidget *createBody(QWidget *parent);
    void createSidebar();
    void createStatusBar();
    void createSubWindows(QWidget *area);
    void createKeptDialogs();
    void keepOverMainWindow(std::initializer_list<QWidget *> dialogs);
    void startUpdater();
    void showSidebar();
    void hideSidebar();
    bool handleKey(QKeyEvent *event);
    // The list or chart window on screen (the maximized one), or none.
    QMdiSubWindow *shownWindow() const;
    void focusShownWindow();
    void openLocalFile(const QString &localFilePath);
    void startReportDownload(const QString &rptID, const QString &localFilePath);
    void placeKeptDialog(QWidget *dialog);

    QRect savedGeometry;
    QSize savedMaximumSize;
    QSize savedMinimumSize;
    QWidget *titleBar = nullptr;
    QLabel *lblTitle = nullptr;
    QToolButton *btnRestore = nullptr;
    QToolButton *btnMaximize = nullptr;
    QToolButton *btnReportTab = nullptr;
    QToolButton *btnRatingTab = nullptr;
    QToolButton *btnConsensusTab = nullptr;
    QToolButton *btnAceTab = nullptr;
    QToolButton *btnMatrixTab = nullptr;
    QToolButton *btnBack = nullptr;
    QStackedWidget *stkSidebar = nullptr;
    std::unique_ptr<Sidebar> sidebar;
    QLabel *lblServer = nullptr;
    QLabel *lblSpinner = nullptr;
    QLabel *lblStatus = nullptr;
    QLabel *lblReportCount = nullptr;
    QToolButton *btnSidebar = nullptr;
    QToolButton *btnPageFirst = nullptr;
    QToolButton *btnPagePrevious = nullptr;
    QToolButton *btnPageNext = nullptr;
    QToolButton *btnPageLast = nullptr;
    // The engine and its thread delete themselves once the thread has finished.
    QPointer<QUpdater> updater;
    QPointer<QThread> updaterThread;
    bool closeRequested = false;
    bool exitReady = false;
    bool stripStarted = false;
    QPoint pressGlobalPos;
    QPoint pressWindowPos;
    QDlgDownloadFile *dlgDownloadFile = nullptr;
    QDlgDownloadDay *dlgDownloadDay = nullptr;
    QDlgMessage *dlgMessage = nullptr;
    QDlgAlert *dlgAlert = nullptr;
    QDlgWebview *dlgWebview = nullptr;
    QDlgAnalyst *dlgAnalyst = nullptr;
    QDlgRating *dlgRating = nullptr;
    QDlgHotRating *dlgHotRating = nullptr;
    QWinReportList *winReportList = nullptr;
    QWinRatingList *winRatingList = nullptr;
    QWinConsensusList *winConsensusList = nullptr;
    QWinMatrixList *winMatrixList = nullptr;
    QWinAceList *winAceList = nullptr;
    QWinQuoteList *winQuoteList = nullptr;
    QWinChart *winChart = nullptr;
};
