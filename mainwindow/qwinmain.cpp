#include "qwinmain.h"

#include "analystaward.h"
#include "globalstate.h"
#include "mainwindowlog.h"
#include "usersettings.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString newestReportTitle = QStringLiteral("最新报告");

QToolButton *makeButton(QWidget *parent, const QString &objectName, const QString &text)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(objectName);
    button->setText(text);
    button->setFont(getAppFont());
    button->setFocusPolicy(Qt::NoFocus);
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
{
    loadAnalystAwardTable();
    setSystemExit(0);
    initUi();
}

QWinMain::~QWinMain() = default;

void QWinMain::initUi()
{
    setObjectName(QStringLiteral("QWinMain"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setWindowTitle(getCnName() + QStringLiteral(" - ") + newestReportTitle);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("centralWidget"));
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(createTitleBar());
    layout->addWidget(createTabBar());

    auto *line = new QFrame(central);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    auto *body = new QWidget(central);
    auto *bodyLayout = new QHBoxLayout(body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(0);
    bodyLayout->addWidget(createSidebar());
    bodyLayout->addSpacing(4);

    auto *content = new QWidget(body);
    content->setObjectName(QStringLiteral("listArea"));
    auto *contentLayout = new QVBoxLayout(content);
    QLabel *heading = makeLabel(content, QStringLiteral("lblListTitle"), newestReportTitle);
    heading->setAlignment(Qt::AlignCenter);
    QLabel *note = makeLabel(content, QStringLiteral("lblListNote"),
                             QStringLiteral("研究报告列表将在此显示"));
    note->setAlignment(Qt::AlignCenter);
    contentLayout->addStretch(1);
    contentLayout->addWidget(heading);
    contentLayout->addWidget(note);
    contentLayout->addStretch(2);
    bodyLayout->addWidget(content, 1);
    layout->addWidget(body, 1);

    setCentralWidget(central);
    createStatusBar();
    resize(1000, 640);
}

QWidget *QWinMain::createTitleBar()
{
    auto *titleBar = new QWidget(this);
    titleBar->setObjectName(QStringLiteral("titleBar"));
    titleBar->setFixedHeight(32);
    auto *layout = new QHBoxLayout(titleBar);
    layout->setContentsMargins(8, 0, 0, 0);
    layout->setSpacing(0);

    layout->addWidget(makeLabel(titleBar, QStringLiteral("lblProduct"), getCnName()));
    layout->addSpacing(12);
    lblTitle = makeLabel(titleBar, QStringLiteral("lblTitle"), newestReportTitle);
    layout->addWidget(lblTitle);
    layout->addStretch(1);

    QToolButton *minimize = makeButton(titleBar, QStringLiteral("btnMinimize"),
                                       QStringLiteral("\u2013"));
    minimize->setToolTip(QStringLiteral("最小化"));
    minimize->setFixedSize(40, 32);
    connect(minimize, &QToolButton::clicked, this, &QWidget::showMinimized);
    layout->addWidget(minimize);

    QToolButton *close = makeButton(titleBar, QStringLiteral("btnClose"),
                                    QStringLiteral("\u00d7"));
    close->setToolTip(QStringLiteral("关闭"));
    close->setFixedSize(40, 32);
    connect(close, &QToolButton::clicked, this, &QWidget::close);
    layout->addWidget(close);
    return titleBar;
}

QWidget *QWinMain::createTabBar()
{
    auto *tabBar = new QWidget(this);
    tabBar->setObjectName(QStringLiteral("tabBar"));
    auto *layout = new QHBoxLayout(tabBar);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(0);
    auto *group = new QButtonGroup(tabBar);
    layout->addSpacing(5);
    const QStringList tabs = {QStringLiteral("研究报告"), QStringLiteral("股票评级"),
                              QStringLiteral("一致预期"), QStringLiteral("王牌分析师"),
                              QStringLiteral("价值矩阵")};
    for (const QString &text : tabs) {
        QToolButton *tab = makeButton(tabBar, QStringLiteral("TabbarButton"), text);
        tab->setFixedHeight(28);
        tab->setCheckable(true);
        group->addButton(tab);
        layout->addWidget(tab);
        layout->addSpacing(5);
    }
    group->buttons().first()->setChecked(true);
    layout->addStretch(1);
    return tabBar;
}

QWidget *QWinMain::createSidebar()
{
    auto *sidebar = new QWidget(this);
    sidebar->setObjectName(QStringLiteral("stkSidebar"));
    sidebar->setMaximumWidth(76);
    auto *layout = new QVBoxLayout(sidebar);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(2);
    const QStringList entries = {newestReportTitle, QStringLiteral("重点报告"),
                                 QStringLiteral("机构报告"), QStringLiteral("行业报告"),
                                 QStringLiteral("报告搜索")};
    for (const QString &text : entries) {
        QToolButton *button = makeButton(sidebar, QStringLiteral("SidebarButton"), text);
        button->setFixedSize(70, 28);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    return sidebar;
}

void QWinMain::createStatusBar()
{
    QStatusBar *bar = statusBar();
    QLabel *version = makeLabel(bar, QStringLiteral("lblVersion"), getVersion());
    version->setFixedHeight(24);
    bar->addWidget(version);
    QLabel *server = makeLabel(bar, QStringLiteral("lblServer"), getServiceHostName());
    server->setFixedHeight(24);
    bar->addWidget(server);
    lblSpinner = makeLabel(bar, QStringLiteral("lblSpinner"), QStringLiteral("-"));
    lblSpinner->setFixedSize(8, 24);
    lblSpinner->setAlignment(Qt::AlignCenter);
    bar->addWidget(lblSpinner);
    lblStatus = makeLabel(bar, QStringLiteral("lblStatus"), QString());
    lblStatus->setFixedHeight(24);
    bar->addWidget(lblStatus, 1);
}

void QWinMain::showBulletinDialog()
{
    const QString content = getBulletinContent();
    if (content.isEmpty())
        return;
    auto *box = new QMessageBox(QMessageBox::Information, getCnName(), content,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void QWinMain::exitSystem()
{
    exitReady = true;
    close();
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

void QWinMain::showNewestReport() {}

void QWinMain::showReportCount() {}

void QWinMain::showNewestRating() {}

void QWinMain::showReportTipOfBlock(const QString &stockCode)
{
    Q_UNUSED(stockCode)
}

void QWinMain::showOuttimeDialog()
{
    QMessageBox::information(this, QStringLiteral("注意"), QStringLiteral("登录超时，请重新登录！"),
                             QMessageBox::Ok);
}

void QWinMain::loadConcernedAnalystListOfSidebar() {}

void QWinMain::openFile(const QString &reportId, const QString &localFilePath)
{
    Q_UNUSED(reportId)
    QFileInfo info(localFilePath);
    if (info.isFile() && info.size() == 0)
        QFile::remove(localFilePath);
    if (QFileInfo(localFilePath).isFile()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(localFilePath));
        return;
    }
    showStatus(QStringLiteral("报告文件尚未下载"));
}

void QWinMain::shareReport(const QString &reportId, const QString &institution,
                           const QString &title, const QString &stockCode)
{
    Q_UNUSED(reportId)
    Q_UNUSED(institution)
    Q_UNUSED(title)
    Q_UNUSED(stockCode)
    showStatus(QStringLiteral("报告分享尚未提供"));
}

void QWinMain::closeEvent(QCloseEvent *event)
{
    if (exitReady) {
        setSystemExit(1);
        event->accept();
        return;
    }
    event->ignore();
    if (closeRequested)
        return;
    const auto answer = QMessageBox::question(this, QStringLiteral("确认"),
                                              QStringLiteral("您确定要关闭程序吗?"),
                                              QMessageBox::Yes | QMessageBox::No,
                                              QMessageBox::Yes);
    if (answer != QMessageBox::Yes)
        return;
    closeRequested = true;
    emit stopUpdater();
    // No update engine answers stopUpdater yet, so the window finishes by itself.
    qCInfo(lcMainWindow) << "closing without an update engine";
    QTimer::singleShot(0, this, &QWinMain::exitSystem);
}

void QWinMain::mousePressEvent(QMouseEvent *event)
{
    pressGlobalPos = event->globalPos();
    pressWindowPos = pressGlobalPos - event->pos();
}

void QWinMain::mouseMoveEvent(QMouseEvent *event)
{
    move(pressWindowPos + event->globalPos() - pressGlobalPos);
}
