#include "qwinstocklist.h"

#include "analysisformat.h"
#include "globalstate.h"
#include "liststyle.h"
#include "stockblockmenu.h"
#include "stockcache.h"
#include "stocklistactions.h"
#include "userlists.h"

#include <QAction>
#include <QMenu>
#include <QTableWidget>

QWinStockList::QWinStockList(const AnalysisListParams &params, bool withMenu, QWidget *parent)
    : QWinAnalysisList(params, parent)
{
    if (!withMenu)
        return;
    connect(table, &QWidget::customContextMenuRequested, this, &QWinStockList::popMenu);
    menu = new QMenu(table);
    actReport = menu->addAction(QStringLiteral("查看研究报告"), this, &QWinStockList::showReportOfCurrentStock);
    actRating = menu->addAction(QStringLiteral("查看股票评级"), this, &QWinStockList::showRatingOfCurrentStock);
    actChart = menu->addAction(QStringLiteral("查看股票走势"), this, &QWinStockList::showChartOfCurrentStock);
    menu->addSeparator();
    blockMenu = new QMenu(QStringLiteral("设置自定义板块"), menu);
    menu->addMenu(blockMenu);
    menu->addSeparator();
    actCopy = menu->addAction(QStringLiteral("复制股票名单(&C)"), this, &QWinStockList::copyStockList);
    // Kept by the table, so clearing the block menu leaves it.
    actNewBlock = new QAction(QStringLiteral("新建板块(&N)..."), table);
    connect(actNewBlock, &QAction::triggered, this, &QWinStockList::newBlock);
}

void QWinStockList::putStockCells(int row, const QString &code, const QString &name, int reports,
                                  const QString &industry, const QString &reportTip)
{
    putLabel(row, ColStock, stockNameHtml(name, code), Qt::AlignCenter, Qt::RichText, true,
             &QWinStockList::showChartOfCurrentStock);
    table->item(row, ColStock)->setData(Qt::UserRole, code);
    QLinkLabel *point = putLabel(row, ColReports, reports > 0 ? redPointHtml() : QString(), Qt::AlignCenter,
                                 Qt::RichText, reports > 0, &QWinStockList::showReportOfCurrentStock);
    if (reports > 0)
        point->setToolTip(reportTip);
    // Plain text: the industry is read back from the label.
    QLinkLabel *ind = putLabel(row, ColIndustry, industry, Qt::AlignCenter, Qt::PlainText, !industry.isEmpty(),
                               &QWinStockList::showListOfCurrentIndustry);
    setTextColor(ind, QColor(QStringLiteral("gray")));
}

void QWinStockList::markBlockedStock()
{
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *item = table->item(row, ColStock);
        QWidget *label = table->cellWidget(row, ColStock);
        if (!item || !label)
            continue;
        setTextColor(label, QColor(isBlockedStock(item->data(Qt::UserRole).toString()) ? QStringLiteral("red")
                                                                                          : QStringLiteral("black")));
    }
}

void QWinStockList::showChartOfCurrentStock()
{
    if (currentRow() >= 0)
        emit showChartOfStock(currentKey());
}

void QWinStockList::showReportOfCurrentStock()
{
    if (currentRow() >= 0)
        emit showReportListOfStock(currentKey());
}

void QWinStockList::showRatingOfCurrentStock()
{
    if (currentRow() >= 0)
        emit showRatingListOfStock(currentKey());
}

void QWinStockList::showListOfCurrentIndustry()
{
    const int row = currentRow();
    if (row < 0)
        return;
    if (const auto *label = qobject_cast<QLabel *>(table->cellWidget(row, ColIndustry)))
        requestIndustryList(label->text());
}

void QWinStockList::popMenu(const QPoint &pos)
{
    if (currentRow() < 0)
        return;
    const QString code = currentKey();
    const QString name = getStockName(code);
    actReport->setText(QStringLiteral("查看研究报告 - ") + name);
    actRating->setText(QStringLiteral("查看股票评级 - ") + name);
    actChart->setText(QStringLiteral("查看股票走势 - ") + name);
    blockMenu->setTitle(QStringLiteral("设置自定义板块 - ") + name);

    for (QAction *entry : fillStockBlockMenu(blockMenu, actNewBlock, code))
        connect(entry, &QAction::triggered, this, &QWinStockList::addStockToBlock);
    execCellMenu(menu, table, pos);
}

void QWinStockList::newBlock()
{
    if (currentRow() < 0)
        return;
    const QString code = currentKey();
    const QString text = askNewBlockName(this);
    if (text.isEmpty())
        return;
    addBlockStock(text, code, true);
    emit loadBlockListOfSidebar();
    markBlockedStock();
}

void QWinStockList::addStockToBlock(bool checked)
{
    const auto *action = qobject_cast<QAction *>(sender());
    if (currentRow() < 0 || !action)
        return;
    const QString code = currentKey();
    const QString block = action->data().toString();
    if (checked)
        addBlockStock(block, code, true);
    else
        removeBlockStock(block, code, true);
    markBlockedStock();
}

void QWinStockList::copyStockList()
{
    QStringList codes;
    for (int row = 0; row < table->rowCount(); ++row)
        codes << table->item(row, ColStock)->data(Qt::UserRole).toString();
    copyStockListToClipboard(this, codes);
}
