// The main window's side bar: the column of list buttons left of the list windows.

#include "qwinmain.h"

#include "globalstate.h"

#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>

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
