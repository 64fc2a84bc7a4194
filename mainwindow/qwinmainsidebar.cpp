// The main window's side of its side bar: showing and hiding it, and the slots that rebuild
// its menus of the user's lists; the side bar itself is in sidebar.cpp.

#include "qwinmain.h"

#include "sidebar.h"

#include <QAction>
#include <QIcon>
#include <QStackedWidget>
#include <QToolButton>

void QWinMain::createSidebar()
{
    sidebar.reset(new Sidebar(stkSidebar, this));
}

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

void QWinMain::loadSubscribeListOfSidebar()
{
    sidebar->loadSubscribeList();
}

void QWinMain::loadFavoriteListOfSidebar()
{
    sidebar->loadFavoriteList();
}

void QWinMain::loadConcernedInstListOfSidebar()
{
    sidebar->loadConcernedInstList();
}

void QWinMain::loadConcernedAnalystListOfSidebar()
{
    sidebar->loadConcernedAnalystList();
}

void QWinMain::loadBlockListOfSidebar()
{
    sidebar->loadBlockList();
}

void QWinMain::showReportTipOfBlock(const QString &stockCode)
{
    sidebar->showReportTipOfBlock(stockCode);
}

void QWinMain::hideReportTipOfBlock()
{
    sidebar->hideReportTipOfBlock(qobject_cast<QAction *>(sender()));
}
