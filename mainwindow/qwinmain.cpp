// The main window's frame: construction, title bar, tabs, menu, body, status bar and title.

#include "qwinmain.h"

#include "analystaward.h"
#include "analystcache.h"
#include "dbconnection.h"
#include "globalstate.h"
#include "listrequest.h"
#include "qdlgalert.h"
#include "qdlganalyst.h"
#include "qdlgdownloadday.h"
#include "qdlgdownloadfile.h"
#include "qdlghotrating.h"
#include "qdlgmessage.h"
#include "qdlgwebview.h"
#include "qwinacelist.h"
#include "qwinconsensuslist.h"
#include "qwinmatrixlist.h"
#include "qwinratinglist.h"
#include "qwinreportlist.h"
#include "sidebar.h"
#include "stockcache.h"
#include "usersettings.h"
#include "windowframe.h"

#include <QAction>
#include <QButtonGroup>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QStatusBar>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

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

void QWinMain::initUi()
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint);
    setWindowIcon(QIcon(QStringLiteral(":/logo/logo.png")));
    // Its own title bar stands in for the manager's: maximized to a monitor without a panel, it
    // is not a request to go full screen.
    winId();
    declareOwnDecorations(windowHandle());

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
    connect(minimize, &QToolButton::clicked, this, &QWinMain::minimizeWindow);
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
    connect(addEntry(QStringLiteral("热门推荐(&R)"), QKeySequence(QStringLiteral("Ctrl+R"))),
            &QAction::triggered, this, &QWinMain::showHotRatingDialog);
    createQuoteMenu(menu);
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

// The quote lists have no side-bar page of their own: the main menu offers the market-wide ones.
void QWinMain::createQuoteMenu(QMenu *menu)
{
    QMenu *quotes = menu->addMenu(QStringLiteral("股票行情(&G)"));
    quotes->setObjectName(QStringLiteral("mnuQuote"));
    quotes->setFont(getAppFont());
    const char *const ids[] = {"QUO_ALL", "QUO_MKT_SH", "QUO_MKT_SZ", "QUO_MKT_SME", "QUO_MKT_EXT", "QUO_POR"};
    for (const char *id : ids) {
        const QString name = listRequestName(getOrderJson(QLatin1String(id)));
        QAction *action = quotes->addAction(name);
        action->setFont(getAppFont());
        action->setProperty("ID", QLatin1String(id));
        action->setProperty("NAME", name);
        connect(action, &QAction::triggered, this, &QWinMain::onActionClicked);
    }
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

void QWinMain::createStatusBar()
{
    QStatusBar *statusBar = this->statusBar();
    // The status bar has a native window: with the pointer over it, X may hand it the keys
    // typed into the main window, past the central widget.
    statusBar->installEventFilter(this);

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

void QWinMain::minimizeWindow()
{
    // The button was clicked, so the window is on the screen. Qt may still record it minimized:
    // when the window was minimized and restored while the program was busy, Qt reads the
    // window manager's state only afterwards, sees no change, and showMinimized() then does
    // nothing.
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    showMinimized();
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
