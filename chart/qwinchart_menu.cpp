#include "qwinchart.h"

#include "qchart.h"
#include "stockblockmenu.h"
#include "stockcache.h"
#include "stocklistactions.h"
#include "userlists.h"

#include <QAction>
#include <QMenu>

void QWinChart::buildMenu()
{
    menuChart = new QMenu(chart);
    actReport = menuChart->addAction(QStringLiteral("查看研究报告"), this, &QWinChart::showReportOfStock);
    actRating = menuChart->addAction(QStringLiteral("查看股票评级"), this, &QWinChart::showRatingOfStock);
    menuChart->addSeparator();
    menuBlock = new QMenu(QStringLiteral("设置自定义板块"), menuChart);
    menuChart->addMenu(menuBlock);
    actNewBlock = new QAction(QStringLiteral("新建板块(&N)..."), chart);
    connect(actNewBlock, &QAction::triggered, this, &QWinChart::newBlock);
}

void QWinChart::rebuildBlockMenu()
{
    const QString name = getStockName(stockCode);
    actRating->setText(QStringLiteral("查看股票评级 - ") + name);
    actReport->setText(QStringLiteral("查看研究报告 - ") + name);
    menuBlock->setTitle(QStringLiteral("设置自定义板块 - ") + name);

    for (QAction *entry : fillStockBlockMenu(menuBlock, actNewBlock, stockCode))
        connect(entry, &QAction::triggered, this, &QWinChart::addStockToBlock);
}

void QWinChart::popMenuOfChart(const QPoint &pos)
{
    rebuildBlockMenu();
    menuChart->exec(chart->mapToGlobal(pos));
}

void QWinChart::addStockToBlock(bool toBlock)
{
    auto *entry = qobject_cast<QAction *>(sender());
    if (!entry)
        return;
    const QString block = entry->data().toString();
    if (toBlock)
        addBlockStock(block, stockCode, true);
    else
        removeBlockStock(block, stockCode, true);
}

void QWinChart::newBlock()
{
    const QString name = askNewBlockName(this);
    if (name.isEmpty())
        return;
    addBlockStock(name, stockCode, true);
    emit loadBlockListOfSidebar();
}
