// The main window's wiring: its list and chart windows, the dialogs it keeps for the whole
// run, the update engine on its thread, and the shutdown that waits for that engine.

#include "qwinmain.h"

#include "boxesabove.h"
#include "dialogstate.h"
#include "focusback.h"
#include "globalstate.h"
#include "qdlgalert.h"
#include "qdlganalyst.h"
#include "qdlgdownloadday.h"
#include "qdlgdownloadfile.h"
#include "qdlghotrating.h"
#include "qdlgmessage.h"
#include "qdlgrating.h"
#include "qdlgwebview.h"
#include "qupdater.h"
#include "qwinacelist.h"
#include "qwinchart.h"
#include "qwinconsensuslist.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"
#include "statusthrottle.h"
#include "usersettings.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMessageBox>
#include <QShowEvent>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <initializer_list>

void QWinMain::createSubWindows(QWidget *area)
{
    auto *mdiArea = qobject_cast<QMdiArea *>(area);
    // The window keeps plain pointers to its sub-windows for the whole run, so none of them
    // may delete itself when something closes it.
    const auto add = [mdiArea](QMdiSubWindow *window) {
        mdiArea->addSubWindow(window, Qt::FramelessWindowHint);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
    };

    winReportList = new QWinReportList(this);
    add(winReportList);
    connect(this, &QWinMain::showReportList, winReportList, &QWinReportList::showReportList);
    connect(this, &QWinMain::markConcernedInst, winReportList, &QWinReportList::markConcernedInst);
    connect(this, &QWinMain::markFavoriteReport, winReportList, &QWinReportList::markFavoriteReport);
    connect(this, &QWinMain::markBlockedStock, winReportList, &QWinReportList::markBlockedStock);
    connect(btnReportTab, &QToolButton::clicked, winReportList, &QWinReportList::showLastList);
    connect(winReportList, &QWinReportList::showTitle, this, &QWinMain::showTitle);
    connect(winReportList, &QWinReportList::showList, this, &QWinMain::showList);
    connect(winReportList, &QWinReportList::showReportListOfInst, this,
            &QWinMain::showReportListOfInst);
    connect(winReportList, &QWinReportList::showReportListOfAnls, this,
            &QWinMain::showReportListOfAnls);
    connect(winReportList, &QWinReportList::showReportListOfSearch, this,
            &QWinMain::showReportListOfSearch);
    connect(winReportList, &QWinReportList::disablePageNext, this, &QWinMain::disablePageNext);
    connect(winReportList, &QWinReportList::disablePageLast, this, &QWinMain::disablePageLast);
    connect(winReportList, &QWinReportList::loadConcernedInstListOfSidebar, this,
            &QWinMain::loadConcernedInstListOfSidebar);
    connect(winReportList, &QWinReportList::loadFavoriteListOfSidebar, this,
            &QWinMain::loadFavoriteListOfSidebar);
    connect(winReportList, &QWinReportList::openFile, this, &QWinMain::openFile);

    winRatingList = new QWinRatingList(this);
    add(winRatingList);
    connect(this, &QWinMain::showRatingList, winRatingList, &QWinRatingList::showRatingList);
    connect(this, &QWinMain::markConcernedInst, winRatingList, &QWinRatingList::markConcernedInst);
    connect(this, &QWinMain::markBlockedStock, winRatingList, &QWinRatingList::markBlockedStock);
    connect(btnRatingTab, &QToolButton::clicked, winRatingList, &QWinRatingList::showLastList);
    connect(winRatingList, &QWinRatingList::showTitle, this, &QWinMain::showTitle);
    connect(winRatingList, &QWinRatingList::showList, this, &QWinMain::showList);
    connect(winRatingList, &QWinRatingList::showRatingListOfInst, this,
            &QWinMain::showRatingListOfInst);
    connect(winRatingList, &QWinRatingList::showRatingListOfStock, this,
            &QWinMain::showRatingListOfStock);
    connect(winRatingList, &QWinRatingList::showReportListOfStock, this,
            &QWinMain::showReportListOfStock);
    connect(winRatingList, &QWinRatingList::showRatingListOfInd, this,
            &QWinMain::showRatingListOfInd);
    connect(winRatingList, &QWinRatingList::showRatingListOfAnls, this,
            &QWinMain::showRatingListOfAnls);
    connect(winRatingList, qOverload<const QString &>(&QWinRatingList::showChartOfStock), this,
            &QWinMain::showChartOfStock);
    connect(winRatingList, &QWinRatingList::disablePageNext, this, &QWinMain::disablePageNext);
    connect(winRatingList, &QWinRatingList::disablePageLast, this, &QWinMain::disablePageLast);
    connect(winRatingList, &QWinRatingList::loadConcernedInstListOfSidebar, this,
            &QWinMain::loadConcernedInstListOfSidebar);
    connect(winRatingList, &QWinRatingList::loadBlockListOfSidebar, this,
            &QWinMain::loadBlockListOfSidebar);
    connect(winRatingList, &QWinRatingList::openFile, this, &QWinMain::openFile);

    winConsensusList = new QWinConsensusList(this);
    add(winConsensusList);
    connect(this, &QWinMain::showConsensusList, winConsensusList,
            &QWinConsensusList::showConsensusList);
    connect(this, &QWinMain::markBlockedStock, winConsensusList,
            &QWinConsensusList::markBlockedStock);
    connect(btnConsensusTab, &QToolButton::clicked, winConsensusList,
            &QWinConsensusList::showLastList);
    connect(winConsensusList, &QWinConsensusList::showTitle, this, &QWinMain::showTitle);
    connect(winConsensusList, &QWinConsensusList::showList, this, &QWinMain::showList);
    connect(winConsensusList, &QWinConsensusList::showReportListOfStock, this,
            &QWinMain::showReportListOfStock);
    connect(winConsensusList, &QWinConsensusList::showRatingListOfStock, this,
            &QWinMain::showRatingListOfStock);
    connect(winConsensusList, &QWinConsensusList::showConsensusListOfInd, this,
            &QWinMain::showConsensusListOfInd);
    connect(winConsensusList, &QWinConsensusList::showChartOfStock, this,
            &QWinMain::showChartOfStock);
    connect(winConsensusList, &QWinConsensusList::disablePageAll, this, &QWinMain::disablePageAll);
    connect(winConsensusList, &QWinConsensusList::loadBlockListOfSidebar, this,
            &QWinMain::loadBlockListOfSidebar);

    winMatrixList = new QWinMatrixList(this);
    add(winMatrixList);
    connect(this, &QWinMain::showMatrixList, winMatrixList, &QWinMatrixList::showMatrixList);
    connect(this, &QWinMain::markBlockedStock, winMatrixList, &QWinMatrixList::markBlockedStock);
    connect(btnMatrixTab, &QToolButton::clicked, winMatrixList, &QWinMatrixList::showLastList);
    connect(winMatrixList, &QWinMatrixList::showTitle, this, &QWinMain::showTitle);
    connect(winMatrixList, &QWinMatrixList::showList, this, &QWinMain::showList);
    connect(winMatrixList, &QWinMatrixList::showChartOfStock, this, &QWinMain::showChartOfStock);
    connect(winMatrixList, &QWinMatrixList::showMatrixListOfInd, this,
            &QWinMain::showMatrixListOfInd);
    connect(winMatrixList, &QWinMatrixList::showReportListOfStock, this,
            &QWinMain::showReportListOfStock);
    connect(winMatrixList, &QWinMatrixList::showRatingListOfStock, this,
            &QWinMain::showRatingListOfStock);
    connect(winMatrixList, &QWinMatrixList::disablePageAll, this, &QWinMain::disablePageAll);
    connect(winMatrixList, &QWinMatrixList::loadBlockListOfSidebar, this,
            &QWinMain::loadBlockListOfSidebar);

    winAceList = new QWinAceList(this);
    add(winAceList);
    connect(this, &QWinMain::showAceList, winAceList, &QWinAceList::showAceList);
    connect(this, &QWinMain::markConcernedInst, winAceList, &QWinAceList::markConcernedInst);
    connect(this, &QWinMain::markConcernedAnalyst, winAceList, &QWinAceList::markConcernedAnalyst);
    connect(btnAceTab, &QToolButton::clicked, winAceList, &QWinAceList::showLastList);
    connect(winAceList, &QWinAceList::showTitle, this, &QWinMain::showTitle);
    connect(winAceList, &QWinAceList::showList, this, &QWinMain::showList);
    connect(winAceList, &QWinAceList::showAceListOfInst, this, &QWinMain::showAceListOfInst);
    connect(winAceList, &QWinAceList::showAceListOfInd, this, &QWinMain::showAceListOfInd);
    connect(winAceList, &QWinAceList::showRatingListOfAnls, this, &QWinMain::showRatingListOfAnls);
    connect(winAceList, &QWinAceList::loadConcernedInstListOfSidebar, this,
            &QWinMain::loadConcernedInstListOfSidebar);
    connect(winAceList, &QWinAceList::loadConcernedAnalystListOfSidebar, this,
            &QWinMain::loadConcernedAnalystListOfSidebar);
    connect(winAceList, &QWinAceList::disablePageAll, this, &QWinMain::disablePageAll);

    winQuoteList = new QWinQuoteList(this);
    add(winQuoteList);
    connect(this, &QWinMain::showQuoteList, winQuoteList, &QWinQuoteList::showQuoteList);
    connect(this, &QWinMain::markBlockedStock, winQuoteList, &QWinQuoteList::markBlockedStock);
    connect(winQuoteList, &QWinQuoteList::showTitle, this, &QWinMain::showTitle);
    connect(winQuoteList, &QWinQuoteList::disablePageAll, this, &QWinMain::disablePageAll);
    connect(winQuoteList, &QWinQuoteList::showList, this, &QWinMain::showList);
    connect(winQuoteList, &QWinQuoteList::showReportListOfStock, this,
            &QWinMain::showReportListOfStock);
    connect(winQuoteList, &QWinQuoteList::showChartOfStock, this, &QWinMain::showChartOfStock);
    connect(winQuoteList, &QWinQuoteList::showQuoteListOfInd, this, &QWinMain::showQuoteListOfInd);

    winChart = new QWinChart(this);
    add(winChart);
    connect(this, &QWinMain::showChart, winChart, &QWinChart::showChart);
    connect(this, &QWinMain::zoomInChart, winChart, &QWinChart::zoomInChart);
    connect(this, &QWinMain::zoomOutChart, winChart, &QWinChart::zoomOutChart);
    connect(winChart, &QWinChart::disablePageNext, this, &QWinMain::disablePageNext);
    connect(winChart, &QWinChart::disablePageLast, this, &QWinMain::disablePageLast);
    connect(winChart, &QWinChart::disableGoBack, this, &QWinMain::disableGoBack);
    connect(winChart, &QWinChart::showTitle, this, &QWinMain::showTitle);
    connect(winChart, &QWinChart::showRatingListOfStock, this, &QWinMain::showRatingListOfStock);
    connect(winChart, &QWinChart::showReportListOfStock, this, &QWinMain::showReportListOfStock);
    connect(winChart, &QWinChart::loadBlockListOfSidebar, this, &QWinMain::loadBlockListOfSidebar);
    connect(winChart, &QWinChart::showLastList, this, &QWinMain::showLastList);
}

void QWinMain::createKeptDialogs()
{
    dlgDownloadFile = new QDlgDownloadFile(nullptr);
    connect(dlgDownloadFile, &QDlgDownloadFile::openFile, this, &QWinMain::openFile);

    dlgDownloadDay = new QDlgDownloadDay(nullptr);
    connect(dlgDownloadDay, &QDlgDownloadDay::freshChart, winChart, &QWinChart::freshChart);
    connect(winChart, &QWinChart::downloadDay, dlgDownloadDay, &QDlgDownloadDay::downloadDay);

    dlgMessage = new QDlgMessage(nullptr);
    connect(dlgMessage, &QDlgMessage::openFile, this, &QWinMain::openFile);

    dlgAlert = new QDlgAlert(nullptr);
    connect(dlgAlert, &QDlgAlert::openFile, this, &QWinMain::openFile);

    dlgWebview = new QDlgWebview(nullptr);

    dlgAnalyst = new QDlgAnalyst(nullptr);
    connect(dlgAnalyst, &QDlgAnalyst::showReportListOfAnls, this, &QWinMain::showReportListOfAnls);
    connect(dlgAnalyst, &QDlgAnalyst::showReportListOfInst, this, &QWinMain::showReportListOfInst);

    dlgHotRating = new QDlgHotRating(nullptr);
    connect(dlgHotRating, &QDlgHotRating::showRatingListOfStock, this,
            &QWinMain::showRatingListOfStock);

    dlgRating = new QDlgRating(this);
    connect(winChart, &QWinChart::showRatingOfDate, dlgRating, &QDlgRating::showRating);
    connect(dlgRating, &QDlgRating::openFile, this, &QWinMain::openFile);

    for (QWidget *dialog : std::initializer_list<QWidget *>{
             dlgDownloadFile, dlgDownloadDay, dlgMessage, dlgAlert, dlgWebview, dlgAnalyst,
             dlgHotRating, dlgRating}) {
        // Kept for the whole run: closing one (Escape included) must only hide it.
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        // Left on screen, a parentless dialog would otherwise keep the program running after
        // the main window has closed for good.
        if (!dialog->parent())
            dialog->setAttribute(Qt::WA_QuitOnClose, false);
    }
    keepOverMainWindow({dlgDownloadFile, dlgDownloadDay, dlgMessage, dlgAlert, dlgRating});
    // Four of them stay on top: the boxes shown meanwhile must not open behind them, nor give
    // the keyboard to them as they close.
    keepBoxesAboveStayOnTopWindows();
    giveFocusBackAsModalWindowsGo();
    // Hidden while the program was minimized, they would come back minimized, and the main
    // window with them.
    forgetMinimizedAsWindowsGo();
    minimizeTheProgramWithItsBoxes();
}

// Without a parent a dialog's window is tied to Qt's hidden leader window, and a window manager
// may then keep it behind the maximized main window, where a modal one leaves the program
// looking frozen. Tied to the main window they stand above it; the stay-on-top ones keep
// their hint as well.
void QWinMain::keepOverMainWindow(std::initializer_list<QWidget *> dialogs)
{
    winId();
    for (QWidget *dialog : dialogs) {
        dialog->winId();
        dialog->windowHandle()->setTransientParent(windowHandle());
    }
}

void QWinMain::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (event->spontaneous() || stripStarted)
        return;
    stripStarted = true;
    // A window manager ties the strip to this window only once it manages this window: shown
    // first, the strip would stand behind it. Queued, it is mapped after this window.
    QTimer::singleShot(0, this, [this] {
        if (getMessageShow() > 0)
            showMessageDialog(true);
    });
}

void QWinMain::startUpdater()
{
    updater = new QUpdater();
    // Hundreds of progress texts a second would each lay out and paint the status bar again.
    auto *statusThrottle = new StatusThrottle(100, this);
    connect(updater, &QUpdater::showStatus, statusThrottle, &StatusThrottle::post);
    connect(statusThrottle, &StatusThrottle::show, this, &QWinMain::showStatus);
    connect(updater, &QUpdater::showReportCount, this, &QWinMain::showReportCount);
    connect(updater, &QUpdater::showNewestReport, this, &QWinMain::showNewestReport);
    connect(updater, &QUpdater::showNewestRating, this, &QWinMain::showNewestRating);
    connect(updater, &QUpdater::showReportTipOfBlock, this, &QWinMain::showReportTipOfBlock);
    connect(updater, &QUpdater::exitSystem, this, &QWinMain::exitSystem);
    connect(updater, &QUpdater::showOuttimeDialog, this, &QWinMain::showOuttimeDialog);
    connect(updater, &QUpdater::addMessage, dlgMessage, &QDlgMessage::addMessage);
    connect(updater, &QUpdater::addAlert, dlgAlert, &QDlgAlert::addAlert);
    // Ratings may arrive before their reports: alerts waiting for them are tried again.
    connect(updater, &QUpdater::showNewestReport, dlgAlert, &QDlgAlert::retryPendingAlerts);
    connect(updater, &QUpdater::loadConcernedAnalystListOfSidebar, this,
            &QWinMain::loadConcernedAnalystListOfSidebar);
    // The engine's start() and stop() are its own private slots.
    connect(this, SIGNAL(stopUpdater()), updater, SLOT(stop()));

    updaterThread = new QThread();
    updaterThread->setObjectName(QStringLiteral("updater"));
    updater->moveToThread(updaterThread);
    connect(updaterThread, SIGNAL(started()), updater, SLOT(start()));
    connect(updater, &QUpdater::exitSystem, updaterThread, &QThread::quit);
    connect(updaterThread, &QThread::finished, updater, &QObject::deleteLater);
    connect(updaterThread, &QThread::finished, updaterThread, &QObject::deleteLater);
    updaterThread->start(QThread::InheritPriority);
}

void QWinMain::closeEvent(QCloseEvent *event)
{
    if (!closeRequested) {
        event->ignore();
        const auto answer = QMessageBox::question(this, QStringLiteral("确认"),
                                                  QStringLiteral("您确定要关闭程序吗?"),
                                                  QMessageBox::Yes | QMessageBox::No,
                                                  QMessageBox::Yes);
        if (answer != QMessageBox::Yes || closeRequested)
            return;
        closeRequested = true;
        emit stopUpdater();
        return;
    }
    if (!exitReady) {
        event->ignore();
        return;
    }
    for (QWidget *dialog : std::initializer_list<QWidget *>{
             dlgWebview, dlgAnalyst, dlgHotRating, dlgAlert, dlgDownloadFile, dlgMessage,
             dlgDownloadDay})
        dialog->hide();
    setSystemExit(1);
    event->accept();
}

void QWinMain::exitSystem()
{
    closeRequested = true;
    exitReady = true;
    close();
}

void QWinMain::showOuttimeDialog()
{
    QMessageBox::information(this, QStringLiteral("注意"), QStringLiteral("登录超时，请重新登录！"),
                             QMessageBox::Ok);
}
