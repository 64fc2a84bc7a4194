// The context menu of the rating list and the slots that act on the current row.

#include "qwinratinglist.h"

#include "globalstate.h"
#include "liststyle.h"
#include "qlinklabel.h"
#include "ratinglistcolumns.h"
#include "serviceapi.h"
#include "stockblockmenu.h"
#include "stocklistactions.h"
#include "stockcache.h"
#include "userlists.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QTableWidget>

using namespace RatingTable;

void QWinRatingList::buildMenu()
{
    auto action = [this](QObject *owner, const QString &text, void (QWinRatingList::*slot)()) {
        auto *a = new QAction(text, owner);
        a->setFont(getAppFont());
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    mnuRatingList = new QMenu(tblRatingList);
    mnuRatingList->setFont(getAppFont());
    mnuRatingList->addAction(action(mnuRatingList, QStringLiteral("设置全部已读(&A)"), &QWinRatingList::setRatingAllReaded));
    mnuRatingList->addAction(action(mnuRatingList, QStringLiteral("阅读所选报告(&V)"), &QWinRatingList::viewReport));
    mnuRatingList->addSeparator();
    actShowReportOfStock = action(mnuRatingList, QString(), &QWinRatingList::showReportOfStock);
    actShowRatingOfStock = action(mnuRatingList, QString(), &QWinRatingList::showRatingOfStock);
    actShowChartOfStock = action(mnuRatingList, QString(), qOverload<>(&QWinRatingList::showChartOfStock));
    mnuRatingList->addActions({actShowReportOfStock, actShowRatingOfStock, actShowChartOfStock});
    mnuRatingList->addSeparator();
    mnuBlock = new QMenu(mnuRatingList);
    mnuBlock->setFont(getAppFont());
    mnuBlock->menuAction()->setFont(getAppFont());
    mnuRatingList->addMenu(mnuBlock);
    mnuRatingList->addSeparator();
    actShowRatingOfInst = action(mnuRatingList, QString(), &QWinRatingList::showRatingOfInst);
    actAddConcernedInst = action(mnuRatingList, QString(), &QWinRatingList::addConcernedInst);
    actRemoveConcernedInst = action(mnuRatingList, QString(), &QWinRatingList::removeConcernedInst);
    mnuRatingList->addActions({actShowRatingOfInst, actAddConcernedInst, actRemoveConcernedInst});
    mnuRatingList->addSeparator();
    actCopyStockList = action(mnuRatingList, QStringLiteral("复制股票名单(&C)"), &QWinRatingList::copyStockList);
    mnuRatingList->addAction(actCopyStockList);

    // Owned by the table, so emptying the block submenu keeps it.
    actNewBlock = action(tblRatingList, QStringLiteral("新建板块(&N)..."), &QWinRatingList::newBlock);
}

void QWinRatingList::popMenuOfRatingList(const QPoint &pos)
{
    const int row = currentRow();
    if (row < 0)
        return;
    // A name is caption text: "&" would turn into a shortcut mark.
    auto caption = [](QString text) { return text.replace(QLatin1Char('&'), QLatin1String("&&")); };

    const QString inst = caption(cellText(row, ColInst));
    actShowRatingOfInst->setText(QStringLiteral("查看机构评级 - ") + inst);
    actAddConcernedInst->setText(QStringLiteral("添加关注机构 - ") + inst);
    actRemoveConcernedInst->setText(QStringLiteral("取消关注机构 - ") + inst);
    const bool concerned = isConcernedInst(cellText(row, ColInst));
    actAddConcernedInst->setVisible(!concerned);
    actRemoveConcernedInst->setVisible(concerned);

    const QString code = rowStockCode(row);
    const QString name = caption(getStockName(code));
    actShowReportOfStock->setText(QStringLiteral("查看研究报告 - ") + name);
    actShowRatingOfStock->setText(QStringLiteral("查看股票评级 - ") + name);
    actShowChartOfStock->setText(QStringLiteral("查看股票走势 - ") + name);
    mnuBlock->setTitle(QStringLiteral("设置自定义板块 - ") + name);

    for (QAction *entry : fillStockBlockMenu(mnuBlock, actNewBlock, code))
        connect(entry, &QAction::triggered, this, &QWinRatingList::addStockToBlock);
    execCellMenu(mnuRatingList, tblRatingList, pos);
}

void QWinRatingList::viewReport()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QTableWidgetItem *item = tblRatingList->item(row, ColDate);
    const QString fileName = item->data(RoleFileName).toString();
    // Without its report the rating has no file name of its own: it would open another
    // rating's file of the same institution and day.
    if (fileName.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("注意"),
                                 QStringLiteral("该评级的研究报告尚未更新到本地，请稍后再试。"), QMessageBox::Ok);
        return;
    }
    emit openFile(item->data(RoleId).toString(), getLocalFilePath(fileName));
}

void QWinRatingList::showReportOfStock()
{
    const int row = currentRow();
    if (row >= 0)
        emit showReportListOfStock(rowStockCode(row));
}

void QWinRatingList::showRatingOfStock()
{
    const int row = currentRow();
    if (row >= 0)
        emit showRatingListOfStock(rowStockCode(row));
}

void QWinRatingList::showChartOfStock()
{
    const int row = currentRow();
    if (row >= 0)
        emit showChartOfStock(rowStockCode(row));
}

void QWinRatingList::showRatingOfInst()
{
    const int row = currentRow();
    if (row >= 0)
        emit showRatingListOfInst(cellText(row, ColInst));
}

void QWinRatingList::showRatingOfInd()
{
    const int row = currentRow();
    if (row >= 0)
        emit showRatingListOfInd(cellText(row, ColIndustry));
}

void QWinRatingList::showRatingOfAnls(const QString &analystId)
{
    if (!analystId.isEmpty())
        emit showRatingListOfAnls(analystId);
}

void QWinRatingList::addConcernedInst()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString name = cellText(row, ColInst);
    if (isConcernedInst(name) || !addToConcernedInstList(name))
        return;
    markConcernedInst();
    emit loadConcernedInstListOfSidebar();
}

void QWinRatingList::removeConcernedInst()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString name = cellText(row, ColInst);
    if (!isConcernedInst(name) || !removeFromConcernedInstList(name))
        return;
    markConcernedInst();
    emit loadConcernedInstListOfSidebar();
}

void QWinRatingList::newBlock()
{
    const int row = currentRow();
    if (row < 0)
        return;
    const QString code = rowStockCode(row);
    const QString name = askNewBlockName(this);
    if (name.isEmpty())
        return;
    addBlockStock(name, code, true);
    emit loadBlockListOfSidebar();
    markBlockedStock();
}

void QWinRatingList::addStockToBlock(bool checked)
{
    const int row = currentRow();
    auto *entry = qobject_cast<QAction *>(sender());
    if (row < 0 || !entry)
        return;
    const QString block = entry->data().toString();
    const QString code = rowStockCode(row);
    if (checked)
        addBlockStock(block, code, true);
    else
        removeBlockStock(block, code, true);
    markBlockedStock();
}

void QWinRatingList::copyStockList()
{
    QStringList codes;
    for (int r = 0; r < tblRatingList->rowCount(); ++r)
        codes << rowStockCode(r);
    copyStockListToClipboard(this, codes);
}
