#include "qwinmain.h"

#include "analystaward.h"
#include "analystcache.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "jsonscript.h"
#include "listrequest.h"
#include "mainwindowlog.h"
#include "orderhistory.h"
#include "qdlgalert.h"
#include "qdlganalyst.h"
#include "qdlgbulletin.h"
#include "qdlgdownloadday.h"
#include "qdlgdownloadfile.h"
#include "qdlghotrating.h"
#include "qdlgmessage.h"
#include "qdlgrating.h"
#include "qdlgshare.h"
#include "qdlgwebview.h"
#include "qupdater.h"
#include "qwinacelist.h"
#include "qwinchart.h"
#include "qwinconsensuslist.h"
#include "qwinmatrixlist.h"
#include "qwinquotelist.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"
#include "startup.h"
#include "stockcache.h"
#include "userlists.h"
#include "usersettings.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <initializer_list>

namespace {

// The reader program that opens PDF copies unless the user chose the system's reader.
const QString kPdfReaderProgram = QStringLiteral("FoxitReader.exe");

QToolButton *makeToolButton(QWidget *parent, const QString &objectName, const QString &icon,
                            const QString &toolTip, const QSize &size)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setIcon(QIcon(icon));
    button->setToolTip(toolTip);
    button->setFixedSize(size);
    return button;
}

QLabel *makeLabel(QWidget *parent, const QString &objectName, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setFont(getAppFont());
    return label;
}

} // namespace

QWinMain::QWinMain(QWidget *parent)
    : QMainWindow(parent)
    , savedMaximumSize(-1, -1)
    , savedMinimumSize(-1, -1)
{
    init();
}

QWinMain::~QWinMain()
{
    // The engine is normally gone already (its exitSystem() ended its thread); when it is not,
    // its event loop is ended here so that no thread outlives the window.
    if (updaterThread) {
        updaterThread->quit();
        updaterThread->wait();
        delete updaterThread.data();
    }
    delete dlgMessage;
    delete dlgAlert;
    delete dlgDownloadFile;
    delete dlgWebview;
    delete dlgAnalyst;
    delete dlgHotRating;
    delete dlgDownloadDay;
}

void QWinMain::init()
{
    closeRequested = false;
    exitReady = false;
    loadStockCache();
    loadAnalystCache();
    loadAnalystAwardTable();
    setSystemExit(0);
    initUi();
    loadConcernedInstListOfSidebar();
    loadConcernedAnalystListOfSidebar();
    loadBlockListOfSidebar();
    showReportCount();
    showList(getOrderJson(QStringLiteral("RPT_NEW")), 0);
    createKeptDialogs();
    startUpdater();
}

// ---------------------------------------------------------------------------------------
// Frame

void QWinMain::initUi()
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint);
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    central->installEventFilter(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(createTitleBar(central));
    layout->addWidget(createTabBar(central));

    auto *line = new QFrame(central);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    QWidget *body = createBody(central);
    layout->addWidget(body);
    setCentralWidget(central);
    createStatusBar();
    createSubWindows(body->findChild<QMdiArea *>());
}

QWidget *QWinMain::createTitleBar(QWidget *parent)
{
    titleBar = new QWidget(parent);
    titleBar->setObjectName(QStringLiteral("titleBar"));
    titleBar->setFixedHeight(18);
    titleBar->installEventFilter(this);
    auto *layout = new QHBoxLayout(titleBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto *logo = new QLabel(titleBar);
    logo->setFixedSize(18, 18);
    logo->setPixmap(QPixmap(QStringLiteral(":/logo/logo.png")));
    logo->setScaledContents(true);
    layout->addWidget(logo);
    layout->addSpacing(4);

    QLabel *name = makeLabel(titleBar, QStringLiteral("lblName"), getCnName());
    name->setFixedHeight(18);
    name->setContextMenuPolicy(Qt::NoContextMenu);
    connect(name, &QLabel::linkActivated, this, &QWinMain::onShortcutMenuClicked);
    layout->addWidget(name);
    layout->addStretch();

    lblTitle = makeLabel(titleBar, QStringLiteral("lblTitle"), QString());
    lblTitle->setFixedHeight(18);
    layout->addWidget(lblTitle);
    layout->addStretch();

    const QSize size(24, 18);
    QToolButton *minimize = makeToolButton(titleBar, QStringLiteral("btnMinimize"),
                                           QStringLiteral(":/images/minimize.png"),
                                           QStringLiteral("最小化"), size);
    btnRestore = makeToolButton(titleBar, QStringLiteral("btnRestore"),
                                QStringLiteral(":/images/restore.png"), QStringLiteral("恢复"), size);
    btnMaximize = makeToolButton(titleBar, QStringLiteral("btnMaximize"),
                                 QStringLiteral(":/images/maximize.png"), QStringLiteral("最大化"),
                                 size);
    QToolButton *close = makeToolButton(titleBar, QStringLiteral("btnClose"),
                                        QStringLiteral(":/images/close.png"), QStringLiteral("关闭"),
                                        size);
    for (QToolButton *button : {minimize, btnRestore, btnMaximize, close}) {
        button->setAutoRaise(true);
        layout->addWidget(button);
    }
    btnRestore->hide();
    connect(minimize, &QToolButton::clicked, this, &QWidget::showMinimized);
    connect(btnRestore, &QToolButton::clicked, this, &QWinMain::restoreWindow);
    connect(btnMaximize, &QToolButton::clicked, this, &QWinMain::maximizeWindow);
    connect(close, &QToolButton::clicked, this, &QWidget::close);
    return titleBar;
}

QWidget *QWinMain::createTabBar(QWidget *parent)
{
    auto *tabBar = new QWidget(parent);
    tabBar->setObjectName(QStringLiteral("tabBar"));
    auto *group = new QButtonGroup(tabBar);
    auto *layout = new QHBoxLayout(tabBar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addSpacing(5);

    const auto makeTab = [tabBar, group](const QString &text) {
        auto *tab = new QToolButton(tabBar);
        tab->setObjectName(QStringLiteral("TabbarButton"));
        tab->setText(text);
        tab->setFont(getAppFont());
        tab->setFixedHeight(28);
        tab->setCheckable(true);
        group->addButton(tab);
        return tab;
    };
    btnReportTab = makeTab(QStringLiteral("研究报告"));
    btnRatingTab = makeTab(QStringLiteral("股票评级"));
    btnConsensusTab = makeTab(QStringLiteral("一致预期"));
    btnAceTab = makeTab(QStringLiteral("王牌分析师"));
    btnMatrixTab = makeTab(QStringLiteral("价值矩阵"));
    const QList<QToolButton *> tabs = {btnReportTab, btnRatingTab, btnConsensusTab, btnAceTab,
                                       btnMatrixTab};
    for (QToolButton *tab : tabs) {
        layout->addWidget(tab);
        if (tab != tabs.last())
            layout->addSpacing(5);
    }
    layout->addStretch();
    layout->addSpacing(5);

    btnBack = makeToolButton(tabBar, QStringLiteral("btnBack"), QStringLiteral(":/images/back.png"),
                             QStringLiteral("返回"), QSize(28, 28));
    btnBack->setFocusPolicy(Qt::NoFocus);
    connect(btnBack, &QToolButton::clicked, this, &QWinMain::goPageBack);
    layout->addWidget(btnBack);

    QToolButton *menuButton = makeToolButton(tabBar, QStringLiteral("btnMenu"),
                                             QStringLiteral(":/images/menu.png"),
                                             QStringLiteral("菜单"), QSize(28, 28));
    menuButton->setAutoRaise(true);
    menuButton->setPopupMode(QToolButton::InstantPopup);
    menuButton->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    createMenu(menuButton);
    layout->addWidget(menuButton);
    return tabBar;
}

void QWinMain::createMenu(QToolButton *button)
{
    auto *menu = new QMenu(button);
    menu->setObjectName(QStringLiteral("mnuMain"));
    button->setMenu(menu);
    const auto addEntry = [this, menu](const QString &text, const QKeySequence &shortcut) {
        QAction *action = menu->addAction(text);
        action->setFont(getAppFont());
        action->setShortcut(shortcut);
        // Added to the window as well, so the shortcut works while the menu is closed.
        addAction(action);
        return action;
    };

    QAction *message = addEntry(QStringLiteral("滚动提示(&M)"), QKeySequence(QStringLiteral("Ctrl+M")));
    message->setCheckable(true);
    message->setChecked(getMessageShow() > 0);
    connect(message, &QAction::triggered, this, &QWinMain::showMessageDialog);
    menu->addSeparator();
    connect(addEntry(QStringLiteral("首 选 项(&O)"), QKeySequence(QStringLiteral("Ctrl+O"))),
            &QAction::triggered, this, &QWinMain::showOptionDialog);
    connect(addEntry(QStringLiteral("显示设置(&D)"), QKeySequence(QStringLiteral("Ctrl+D"))),
            &QAction::triggered, this, &QWinMain::showDisplayDialog);
    connect(addEntry(QStringLiteral("代理设置(&P)"), QKeySequence(QStringLiteral("Ctrl+P"))),
            &QAction::triggered, this, &QWinMain::showProxyDialog);
    menu->addSeparator();
    QAction *help = addEntry(QStringLiteral("使用说明(&H)"), QKeySequence(QStringLiteral("Ctrl+H")));
    help->setProperty("HLP", QStringLiteral("HLP"));
    connect(help, &QAction::triggered, this, &QWinMain::showHelpDialog);
    connect(addEntry(QStringLiteral("关于(&A)..."), QKeySequence()), &QAction::triggered, this,
            &QWinMain::showAboutDialog);
    menu->addSeparator();
    connect(addEntry(QStringLiteral("关闭程序(&Q)"), QKeySequence(QStringLiteral("Ctrl+Q"))),
            &QAction::triggered, this, &QWidget::close);
}

QWidget *QWinMain::createBody(QWidget *parent)
{
    auto *body = new QWidget(parent);
    body->setObjectName(QStringLiteral("bodyRow"));
    auto *layout = new QHBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    stkSidebar = new QStackedWidget(body);
    stkSidebar->setObjectName(QStringLiteral("stkSidebar"));
    stkSidebar->setMaximumWidth(76);
    layout->addWidget(stkSidebar);
    createSidebar();
    layout->addSpacing(4);
    layout->addWidget(new QMdiArea(body));
    return body;
}

// The side bar's pages with the first list of each kind; the rest of its entries and the
// menus of the user's lists come with the side bar itself.
void QWinMain::createSidebar()
{
    struct Entry
    {
        const char *text;
        const char *id;
    };
    const Entry pages[] = {{"最新", "RPT_NEW"}, {"最新", "RAT_NEW"}, {"全部", "CNS_ALL"},
                           {"全部", "ACE_ALL"}, {"全部", "MTX_ALL"}};
    for (const Entry &entry : pages) {
        auto *page = new QToolBar(stkSidebar);
        page->setOrientation(Qt::Vertical);
        auto *button = new QToolButton(page);
        if (stkSidebar->count() == 0)
            button->setObjectName(QStringLiteral("SidebarButton"));
        button->setText(QString::fromUtf8(entry.text));
        button->setFont(getAppFont());
        button->setFixedSize(70, 28);
        button->setProperty("ID", QString::fromLatin1(entry.id));
        connect(button, &QToolButton::clicked, this, &QWinMain::onActionClicked);
        page->addWidget(button);
        stkSidebar->addWidget(page);
    }
    loadSubscribeListOfSidebar();
    loadFavoriteListOfSidebar();
}

void QWinMain::createStatusBar()
{
    QStatusBar *statusBar = this->statusBar();

    btnSidebar = new QToolButton(statusBar);
    btnSidebar->setObjectName(QStringLiteral("btnSidebar"));
    btnSidebar->setFixedSize(24, 24);
    btnSidebar->setFocusPolicy(Qt::NoFocus);
    connect(btnSidebar, &QToolButton::clicked, this, &QWinMain::switchSidebarVisible);
    statusBar->addWidget(btnSidebar);
    showSidebar();

    QLabel *version = makeLabel(statusBar, QStringLiteral("lblVersion"), getVersion());
    version->setFixedHeight(24);
    statusBar->addWidget(version);
    lblServer = makeLabel(statusBar, QStringLiteral("lblServer"), getServiceHostName());
    lblServer->setFixedHeight(24);
    statusBar->addWidget(lblServer);
    lblSpinner = makeLabel(statusBar, QStringLiteral("lblSpinner"), QStringLiteral("-"));
    lblSpinner->setFixedWidth(8);
    lblSpinner->setFixedHeight(24);
    lblSpinner->setAlignment(Qt::AlignCenter);
    statusBar->addWidget(lblSpinner);
    lblStatus = makeLabel(statusBar, QStringLiteral("lblStatus"), QString());
    lblStatus->setFixedHeight(24);
    statusBar->addWidget(lblStatus, 1);
    lblReportCount = makeLabel(statusBar, QStringLiteral("lblReportCount"), QString());
    lblReportCount->setAlignment(Qt::AlignCenter);
    lblReportCount->setFixedHeight(24);
    statusBar->addWidget(lblReportCount);

    auto *pager = new QWidget(statusBar);
    auto *layout = new QHBoxLayout(pager);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const QSize size(32, 24);
    btnPageFirst = makeToolButton(pager, QStringLiteral("btnPageFirst"),
                                  QStringLiteral(":/images/first.png"), QStringLiteral("首页"), size);
    btnPagePrevious = makeToolButton(pager, QStringLiteral("btnPagePrevious"),
                                     QStringLiteral(":/images/previous.png"),
                                     QStringLiteral("前一页"), size);
    btnPageNext = makeToolButton(pager, QStringLiteral("btnPageNext"),
                                 QStringLiteral(":/images/next.png"), QStringLiteral("后一页"), size);
    btnPageLast = makeToolButton(pager, QStringLiteral("btnPageLast"),
                                 QStringLiteral(":/images/last.png"), QStringLiteral("末页"), size);
    for (QToolButton *button : {btnPageFirst, btnPagePrevious, btnPageNext, btnPageLast}) {
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    btnPageLast->setEnabled(false);
    connect(btnPageFirst, &QToolButton::clicked, this, &QWinMain::goPageFirst);
    connect(btnPagePrevious, &QToolButton::clicked, this, &QWinMain::goPagePrevious);
    connect(btnPageNext, &QToolButton::clicked, this, &QWinMain::goPageNext);
    connect(btnPageLast, &QToolButton::clicked, this, &QWinMain::goPageLast);
    statusBar->addWidget(pager);
}

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

void QWinMain::showTitle(const QString &title)
{
    setWindowTitle(getCnName() + QStringLiteral(" - ") + title);
    lblTitle->setText(title);
    const struct
    {
        QMdiSubWindow *window;
        QToolButton *tab;
    } kinds[] = {{winReportList, btnReportTab},
                 {winRatingList, btnRatingTab},
                 {winConsensusList, btnConsensusTab},
                 {winAceList, btnAceTab},
                 {winMatrixList, btnMatrixTab}};
    for (int page = 0; page < 5; ++page) {
        if (!kinds[page].window->isMaximized())
            continue;
        stkSidebar->setCurrentIndex(page);
        kinds[page].tab->setChecked(true);
        return;
    }
}

void QWinMain::showReportCount()
{
    QSqlDatabase db = mainDatabase();
    if (!db.isOpen())
        return;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT count(1) from T_Report where Rpt_DtEntry >= "
                                   "date((select max(Rpt_DtEntry) from T_Report))"))
        || !query.next())
        return;
    lblReportCount->setText(QStringLiteral("今日") + QString::number(query.value(0).toLongLong())
                            + QStringLiteral("篇报告"));
}

void QWinMain::showStatus(const QString &text)
{
    static const QString spinner = QStringLiteral("|/-\\");
    int next = spinner.indexOf(lblSpinner->text()) + 1;
    if (next > 3 || lblSpinner->text().size() != 1)
        next = 0;
    lblSpinner->setText(spinner.at(next));
    lblStatus->setText(text);
}

void QWinMain::maximizeWindow()
{
    savedGeometry = geometry();
    savedMaximumSize = maximumSize();
    savedMinimumSize = minimumSize();
    const QRect available = screen()->availableGeometry();
    move(available.topLeft());
    setFixedSize(available.size());
    statusBar()->setSizeGripEnabled(false);
    btnMaximize->hide();
    btnRestore->show();
}

void QWinMain::restoreWindow()
{
    setMaximumSize(savedMaximumSize);
    setMinimumSize(savedMinimumSize);
    setGeometry(savedGeometry);
    statusBar()->setSizeGripEnabled(true);
    btnRestore->hide();
    btnMaximize->show();
}

bool QWinMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick && watched == titleBar) {
        if (!btnMaximize->isHidden())
            btnMaximize->click();
        else if (!btnRestore->isHidden())
            btnRestore->click();
    }
    return QMainWindow::eventFilter(watched, event);
}

void QWinMain::mousePressEvent(QMouseEvent *event)
{
    pressGlobalPos = event->globalPos();
    pressWindowPos = pressGlobalPos - event->pos();
}

void QWinMain::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint target = pressWindowPos + event->globalPos() - pressGlobalPos;
    // A maximized window stays put unless there is another screen to drag it to.
    if (!btnMaximize->isHidden() || QGuiApplication::screens().size() > 1)
        move(target);
}

void QWinMain::resizeEvent(QResizeEvent *event)
{
    event->ignore();
}

// ---------------------------------------------------------------------------------------
// Start-up and shutdown

void QWinMain::createKeptDialogs()
{
    dlgDownloadFile = new QDlgDownloadFile(nullptr);
    connect(dlgDownloadFile, &QDlgDownloadFile::openFile, this, &QWinMain::openFile);

    dlgDownloadDay = new QDlgDownloadDay(nullptr);
    connect(dlgDownloadDay, &QDlgDownloadDay::freshChart, winChart, &QWinChart::freshChart);
    connect(winChart, &QWinChart::downloadDay, dlgDownloadDay, &QDlgDownloadDay::downloadDay);

    dlgMessage = new QDlgMessage(nullptr);
    connect(dlgMessage, &QDlgMessage::openFile, this, &QWinMain::openFile);
    if (getMessageShow() > 0)
        showMessageDialog(true);

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
}

void QWinMain::startUpdater()
{
    updater = new QUpdater();
    connect(updater, &QUpdater::showStatus, this, &QWinMain::showStatus);
    connect(updater, &QUpdater::showReportCount, this, &QWinMain::showReportCount);
    connect(updater, &QUpdater::showNewestReport, this, &QWinMain::showNewestReport);
    connect(updater, &QUpdater::showNewestRating, this, &QWinMain::showNewestRating);
    connect(updater, &QUpdater::showReportTipOfBlock, this, &QWinMain::showReportTipOfBlock);
    connect(updater, &QUpdater::exitSystem, this, &QWinMain::exitSystem);
    connect(updater, &QUpdater::showOuttimeDialog, this, &QWinMain::showOuttimeDialog);
    connect(updater, &QUpdater::addMessage, dlgMessage, &QDlgMessage::addMessage);
    connect(updater, &QUpdater::addAlert, dlgAlert, &QDlgAlert::addAlert);
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

// ---------------------------------------------------------------------------------------
// Side bar

void QWinMain::showSidebar()
{
    stkSidebar->setVisible(true);
    btnSidebar->setIcon(QIcon(QStringLiteral(":/images/left.png")));
    btnSidebar->setToolTip(QStringLiteral("隐藏侧边栏"));
}

void QWinMain::hideSidebar()
{
    stkSidebar->setVisible(false);
    btnSidebar->setIcon(QIcon(QStringLiteral(":/images/right.png")));
    btnSidebar->setToolTip(QStringLiteral("显示侧边栏"));
}

void QWinMain::switchSidebarVisible()
{
    if (stkSidebar->isVisible())
        hideSidebar();
    else
        showSidebar();
}

void QWinMain::loadSubscribeListOfSidebar() {}

void QWinMain::loadFavoriteListOfSidebar() {}

void QWinMain::loadConcernedInstListOfSidebar() {}

void QWinMain::loadConcernedAnalystListOfSidebar() {}

void QWinMain::loadBlockListOfSidebar() {}

void QWinMain::showReportTipOfBlock(const QString &stockCode)
{
    Q_UNUSED(stockCode)
}

void QWinMain::hideReportTipOfBlock() {}

// ---------------------------------------------------------------------------------------
// List dispatch

void QWinMain::showList(const QString &request, int page)
{
    if (request.isEmpty()) {
        qCInfo(lcMainWindow) << "no list request to show";
        return;
    }
    pushOrderHistory(request, page);
    const int depth = getOrderHistoryCount();
    if (depth > getMaxOrderHistoryCount())
        removeOldestOrderHistory();
    btnBack->setEnabled(depth > 1);
    btnPageFirst->setEnabled(page != 0);
    btnPagePrevious->setEnabled(page != 0);
    btnPageNext->setEnabled(true);
    btnPageLast->setEnabled(true);

    using Route = void (QWinMain::*)(const QString &, int);
    const struct
    {
        QLatin1String prefix;
        Route signal;
    } routes[] = {{QLatin1String("RPT"), &QWinMain::showReportList},
                  {QLatin1String("RAT"), &QWinMain::showRatingList},
                  {QLatin1String("CNS"), &QWinMain::showConsensusList},
                  {QLatin1String("MTX"), &QWinMain::showMatrixList},
                  {QLatin1String("ACE"), &QWinMain::showAceList},
                  {QLatin1String("QUO"), &QWinMain::showQuoteList}};
    const QString id = listRequestId(request);
    for (const auto &route : routes) {
        if (id.startsWith(route.prefix)) {
            emit (this->*route.signal)(request, page);
            return;
        }
    }
}

void QWinMain::onActionClicked()
{
    const QObject *item = sender();
    if (!item)
        return;
    const QString id = item->property("ID").toString();
    const QString name = item->property("NAME").toString();

    using Slot = void (QWinMain::*)(const QString &);
    const struct
    {
        const char *id;
        Slot slot;
        bool takesName;
    } actions[] = {
        {"RPT_STK", &QWinMain::showReportListOfStock, false},
        {"RPT_IND", &QWinMain::showReportListOfInd, true},
        {"RPT_BLK", &QWinMain::showReportListOfBlock, true},
        {"RPT_INS", &QWinMain::showReportListOfInst, true},
        {"RPT_SUB", &QWinMain::showReportListOfSubscribe, true},
        {"RPT_FAV", &QWinMain::showReportListOfFavorite, true},
        {"RPT_ANL", &QWinMain::showReportListOfAnls, true},
        {"RAT_STK", &QWinMain::showRatingListOfStock, false},
        {"RAT_INS", &QWinMain::showRatingListOfInst, true},
        {"RAT_IND", &QWinMain::showRatingListOfInd, true},
        {"RAT_BLK", &QWinMain::showRatingListOfBlock, true},
        {"RAT_ANL", &QWinMain::showRatingListOfAnls, true},
        {"MTX_IND", &QWinMain::showMatrixListOfInd, true},
        {"MTX_BLK", &QWinMain::showMatrixListOfBlock, true},
        {"MTX_STK", &QWinMain::showMatrixListOfStock, false},
        {"CNS_IND", &QWinMain::showConsensusListOfInd, true},
        {"CNS_BLK", &QWinMain::showConsensusListOfBlock, true},
        {"CNS_STK", &QWinMain::showConsensusListOfStock, false},
        {"ACE_IND", &QWinMain::showAceListOfInd, true},
        {"ACE_INS", &QWinMain::showAceListOfInst, true},
        {"ACE_ANL", &QWinMain::showAceListOfAnls, true},
        {"QUO_IND", &QWinMain::showQuoteListOfInd, true},
        {"QUO_BLK", &QWinMain::showQuoteListOfBlock, true},
    };
    for (const auto &action : actions) {
        if (id == QLatin1String(action.id)) {
            // The stock entries always start the stock lookup.
            (this->*action.slot)(action.takesName ? name : QString());
            return;
        }
    }
    showList(getOrderJson(id), 0);
}

namespace {

// The stock rule: a code the stock cache lacks (an empty one too) goes to the lookup first.
QString resolveStock(QWinMain *window, const QString &code)
{
    return containsStockCode(code) ? code : window->showGeniusDialog(code);
}

} // namespace

void QWinMain::showReportListOfFavorite(const QString &folder)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_FAV")),
                             {{QStringLiteral("%fav%"), folder}}),
             0);
}

void QWinMain::showReportListOfInst(const QString &institution)
{
    const QString inst = institution.isEmpty() ? showInstSelectDialog(QString()) : institution;
    if (inst.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_INS")),
                             {{QStringLiteral("%inst%"), inst}}),
             0);
}

namespace {

// The analyst rule: without an id the user picks an analyst, whose latest id is taken.
QString resolveAnalyst(QWinMain *window, const QString &analystId)
{
    if (!analystId.isEmpty())
        return analystId;
    const QString uid = window->showAnalystSelectDialog();
    return uid.isEmpty() ? QString() : getAnalystId(uid);
}

QHash<QString, QString> analystValues(const QString &id)
{
    return {{QStringLiteral("%anlID%"), id}, {QStringLiteral("%anlName%"), getAnalystNameById(id)}};
}

QHash<QString, QString> stockValues(const QString &code)
{
    return {{QStringLiteral("%stkCode%"), code}, {QStringLiteral("%stkName%"), getStockName(code)}};
}

} // namespace

void QWinMain::showReportListOfAnls(const QString &analystId)
{
    const QString id = resolveAnalyst(this, analystId);
    if (id.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_ANL")), analystValues(id)), 0);
}

void QWinMain::showReportListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showReportListOfStock(const QString &stockCode)
{
    const QString code = resolveStock(this, stockCode);
    if (code.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_STK")), stockValues(code)), 0);
}

void QWinMain::showReportListOfSearch(const QString &titleKeyword, const QString &instKeyword,
                                      const QString &analsKeyword, const QString &reportCode,
                                      const QString &yearStart, const QString &yearEnd)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_SCH")),
                             {{QStringLiteral("%titleKeyword%"), titleKeyword},
                              {QStringLiteral("%instKeyword%"), instKeyword},
                              {QStringLiteral("%analsKeyword%"), analsKeyword},
                              {QStringLiteral("%reportCode%"), reportCode},
                              {QStringLiteral("%reportYearStart%"), yearStart},
                              {QStringLiteral("%reportYearEnd%"), yearEnd}}),
             0);
}

void QWinMain::showReportListOfSubscribe(const QString &name)
{
    // Stored percent-encoded; the older form keeps the institution under "ath".
    JsonScript json;
    const QScriptValue condition =
        json.parse(QUrl::fromPercentEncoding(getSubscribeContent(name).toUtf8()));
    QString ins = jsonText(condition, QStringLiteral("ins"));
    if (ins.isEmpty())
        ins = jsonText(condition, QStringLiteral("ath"));
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_SUB")),
                             {{QStringLiteral("%subName%"), name},
                              {QStringLiteral("%titleKeyword%"),
                               jsonText(condition, QStringLiteral("ttl"))},
                              {QStringLiteral("%instKeyword%"), ins},
                              {QStringLiteral("%analsKeyword%"),
                               jsonText(condition, QStringLiteral("anl"))},
                              {QStringLiteral("%reportCode%"),
                               jsonText(condition, QStringLiteral("cod"))}}),
             0);
}

void QWinMain::showReportListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RPT_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}

void QWinMain::showRatingListOfInst(const QString &institution)
{
    const QString inst =
        institution.isEmpty() ? showInstSelectDialog(QStringLiteral("RAT")) : institution;
    if (inst.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_INS")),
                             {{QStringLiteral("%inst%"), inst}}),
             0);
}

void QWinMain::showRatingListOfStock(const QString &stockCode)
{
    const QString code = resolveStock(this, stockCode);
    if (code.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_STK")), stockValues(code)), 0);
}

void QWinMain::showRatingListOfInstStock(const QString &institution, const QString &stockCode)
{
    QHash<QString, QString> values = stockValues(stockCode);
    values.insert(QStringLiteral("%inst%"), institution);
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_INS_STK")), values), 0);
}

void QWinMain::showRatingListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showRatingListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}

void QWinMain::showRatingListOfAnls(const QString &analystId)
{
    const QString id = resolveAnalyst(this, analystId);
    if (id.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("RAT_ANL")), analystValues(id)), 0);
}

void QWinMain::showConsensusListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("CNS_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}

void QWinMain::showConsensusListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("CNS_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showConsensusListOfStock(const QString &stockCode)
{
    const QString code = resolveStock(this, stockCode);
    if (code.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("CNS_STK")), stockValues(code)), 0);
}

void QWinMain::showAceListOfInst(const QString &institution)
{
    const QString inst = institution.isEmpty() ? showInstSelectDialog(QString()) : institution;
    if (inst.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("ACE_INS")),
                             {{QStringLiteral("%inst%"), inst}}),
             0);
}

void QWinMain::showAceListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("ACE_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showAceListOfAnls(const QString &analystId)
{
    const QString id = resolveAnalyst(this, analystId);
    if (id.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("ACE_ANL")), analystValues(id)), 0);
}

void QWinMain::showMatrixListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("MTX_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}

void QWinMain::showMatrixListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("MTX_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showMatrixListOfStock(const QString &stockCode)
{
    const QString code = resolveStock(this, stockCode);
    if (code.isEmpty())
        return;
    showList(fillListRequest(getOrderJson(QStringLiteral("MTX_STK")), stockValues(code)), 0);
}

void QWinMain::showQuoteListOfInd(const QString &industry)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("QUO_IND")),
                             {{QStringLiteral("%ind%"), industry}}),
             0);
}

void QWinMain::showQuoteListOfBlock(const QString &block)
{
    showList(fillListRequest(getOrderJson(QStringLiteral("QUO_BLK")),
                             {{QStringLiteral("%block%"), block}}),
             0);
}

// ---------------------------------------------------------------------------------------
// Navigation history and paging

void QWinMain::showLastList() {}

void QWinMain::showNewestReport() {}

void QWinMain::showNewestRating() {}

void QWinMain::goPageBack() {}

void QWinMain::goPageFirst() {}

void QWinMain::goPagePrevious() {}

void QWinMain::goPageNext() {}

void QWinMain::goPageLast() {}

void QWinMain::disablePageNext()
{
    btnPageNext->setEnabled(false);
}

void QWinMain::disablePageLast()
{
    btnPageLast->setEnabled(false);
}

void QWinMain::disablePageAll()
{
    for (QToolButton *button : {btnPageFirst, btnPagePrevious, btnPageNext, btnPageLast})
        button->setEnabled(false);
}

void QWinMain::disableGoBack()
{
    btnBack->setEnabled(false);
}

// ---------------------------------------------------------------------------------------
// Dialog launchers

void QWinMain::showBulletinDialog()
{
    const QString content = getBulletinContent();
    if (content.isEmpty())
        return;
    auto *dialog = new QDlgBulletin(this);
    dialog->setContent(content);
    dialog->show();
}

void QWinMain::shareReport(const QString &rptID, const QString &inst, const QString &title,
                           const QString &stkCode)
{
    auto *dialog = new QDlgShare(this);
    dialog->show();
    dialog->requestShareLink(rptID, inst, title, stkCode);
}

void QWinMain::showAboutDialog() {}

void QWinMain::showProxyDialog() {}

void QWinMain::showOptionDialog() {}

void QWinMain::showDisplayDialog() {}

void QWinMain::showMessageDialog(bool toShow)
{
    Q_UNUSED(toShow)
}

void QWinMain::showHelpDialog() {}

QString QWinMain::showInstSelectDialog(const QString &rang)
{
    Q_UNUSED(rang)
    return QString();
}

void QWinMain::showInstManageDialog() {}

QString QWinMain::showGeniusDialog(const QString &key)
{
    Q_UNUSED(key)
    return QString();
}

void QWinMain::showWinDialog() {}

void QWinMain::showAnalystDialog() {}

void QWinMain::showBlockManageDialog() {}

void QWinMain::showFavoriteManageDialog() {}

void QWinMain::showSubscribeManageDialog() {}

QString QWinMain::showAnalystSelectDialog()
{
    return QString();
}

void QWinMain::showAnalystManageDialog() {}

void QWinMain::showHotRatingDialog() {}

void QWinMain::showChartOfStock(const QString &key)
{
    Q_UNUSED(key)
}

void QWinMain::onShortcutMenuClicked(const QString &link)
{
    Q_UNUSED(link)
}

// ---------------------------------------------------------------------------------------
// Report files

void QWinMain::openFile(const QString &rptID, const QString &localFilePath)
{
    if (!QFile::exists(localFilePath)) {
        startReportDownload(rptID, localFilePath);
        return;
    }
    const QFileInfo info(localFilePath);
    if (info.size() <= 0) {
        info.absoluteDir().remove(info.fileName());
        // The download dialog hands over what it has just stored: fetching it again would
        // only bring the same empty file.
        if (sender() == dlgDownloadFile) {
            qCWarning(lcMainWindow) << "downloaded report file is empty:" << rptID;
            QMessageBox::information(this, QStringLiteral("注意"),
                                     QStringLiteral("下载的报告文件为空，无法打开！"),
                                     QMessageBox::Ok);
            return;
        }
        startReportDownload(rptID, localFilePath);
        return;
    }
    openLocalFile(localFilePath);
}

void QWinMain::openLocalFile(const QString &localFilePath)
{
    const QString extension = localFilePath.mid(localFilePath.lastIndexOf(QLatin1Char('.')) + 1);
    if (extension.startsWith(QLatin1String("pdf")) && getPdfReader() == 0) {
        if (QProcess::startDetached(kPdfReaderProgram, {localFilePath}))
            return;
        qCInfo(lcMainWindow) << kPdfReaderProgram << "did not start; using the system's handler";
    }
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(localFilePath)))
        return;
    QMessageBox::information(this, QStringLiteral("注意"),
                             QStringLiteral("您没有安装可打开") + extension
                                 + QStringLiteral("类型文件的程序！"),
                             QMessageBox::Ok);
}

void QWinMain::startReportDownload(const QString &rptID, const QString &localFilePath)
{
    if (dlgDownloadFile->isVisible())
        return;
    placeKeptDialog(dlgDownloadFile);
    dlgDownloadFile->downloadReport(rptID, localFilePath);
}

void QWinMain::placeKeptDialog(QWidget *dialog)
{
    dialog->move(centredPosition(screen()->availableGeometry(), dialog->frameGeometry().size()));
    dialog->setVisible(true);
}
