#include "qwinchart.h"

#include "qchart.h"
#include "serviceapi.h"
#include "stockcache.h"
#include "userlists.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>

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

    menuBlock->clear();
    menuBlock->addAction(actNewBlock);
    menuBlock->addSeparator();
    for (const QString &block : getBlockNameList()) {
        if (block.isEmpty())
            continue;
        QAction *entry = menuBlock->addAction(block);
        // The name travels as data: themes may put "&" accelerators into the text.
        entry->setData(block);
        entry->setCheckable(true);
        entry->setChecked(isStockOfBlock(block, stockCode));
        connect(entry, &QAction::triggered, this, &QWinChart::addStockToBlock);
    }
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
    bool ok = false;
    const QString answer = QInputDialog::getText(this, QStringLiteral("自定义板块"), QStringLiteral("请输入板块名"),
                                                 QLineEdit::Normal, QString(), &ok);
    if (!ok)
        return;
    const QString name = answer.trimmed();
    if (name.isEmpty()) {
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("请填写板块名!"), QMessageBox::Ok);
        return;
    }
    if (containsSpecialChar(name)) {
        QMessageBox::critical(this, QStringLiteral("错误"), QStringLiteral("板块名含有不恰当字符!"),
                              QMessageBox::Ok);
        return;
    }
    addBlockStock(name, stockCode, true);
    emit loadBlockListOfSidebar();
}
