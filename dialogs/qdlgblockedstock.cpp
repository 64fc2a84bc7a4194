#include "qdlgblockedstock.h"

#include "dialogform.h"
#include "qdlggenius.h"
#include "stockcache.h"
#include "stocklookup.h"
#include "userlists.h"

namespace {

// Why the stock cannot join a block, in the user's words; empty when it can.
QString refusalOf(const QString &code, StockStanding standing)
{
    const QString stock = QStringLiteral("股票") + code;
    switch (standing) {
    case StockStanding::Listed:
        return QString();
    case StockStanding::Delisted:
        return stock + QStringLiteral("已退市，不能加入板块!");
    case StockStanding::Absent:
        return stock + QStringLiteral("不存在，不能加入板块!");
    case StockStanding::Unreadable:
        break;
    }
    return QStringLiteral("读取") + stock + QStringLiteral("失败，不能加入板块!");
}

} // namespace

QDlgBlockedStock::QDlgBlockedStock(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("QDlgBlockedStock"));
    lstStock = buildListForm(this, "lstStock", QSize(285, 300),
                             {{"btnAddStock", QStringLiteral("添加股票"), [this] { addStock(); }},
                              {"btnRemoveStock", QStringLiteral("删除股票"), [this] { removeStock(); }}},
                             {{"btnOK", QStringLiteral("确定"), [this] { accept(); }},
                              {"btnCancel", QStringLiteral("取消"), [this] { reject(); }}});
    initDialog(this, QStringLiteral("板块成分股"));
}

void QDlgBlockedStock::setBlock(const QString &name)
{
    block = name;
    setWindowTitle(QLatin1Char('[') + name + QStringLiteral("]板块成分股"));
    for (const QString &code : getBlockStockList(name))
        appendStock(code);
}

// A row reads the code, a blank and the stock's name; the code is the text before the blank.
void QDlgBlockedStock::appendStock(const QString &code)
{
    lstStock->addItem(code + QLatin1Char(' ') + getStockName(code));
}

void QDlgBlockedStock::addStock()
{
    QDlgGenius lookup(this);
    if (lookup.exec() != QDialog::Accepted)
        return;
    const QString code = lookup.getSelectedStock();
    if (code.isEmpty())
        return;
    // The table is asked, not the stock cache: the lookup also finds delisted stocks, which
    // blocks do not show, and the cache may not hold a stock listed since it was loaded.
    const QString refused = refusalOf(code, stockStanding(code));
    if (!refused.isEmpty()) {
        showBox(this, QMessageBox::Information, QStringLiteral("注意"), refused);
        return;
    }
    // A member the cache lacks would show without its name and be left out the next time.
    if (!containsStockCode(code))
        loadStockCache();
    if (lstStock->findItems(code, Qt::MatchStartsWith).isEmpty())
        appendStock(code);
}

void QDlgBlockedStock::removeStock()
{
    if (currentItemOrTell(this, lstStock, QStringLiteral("请选择需要删除的股票!")))
        delete lstStock->takeItem(lstStock->currentRow());
}

void QDlgBlockedStock::accept()
{
    QStringList old = getBlockStockList(block);
    for (int row = 0; row < lstStock->count(); ++row) {
        const QString code = lstStock->item(row)->text().section(QLatin1Char(' '), 0, 0);
        if (!old.removeOne(code))
            addBlockStock(block, code, false);
    }
    for (const QString &code : qAsConst(old))
        removeBlockStock(block, code, false);
    // One stamp after the last change, so the engine never uploads half of this edit.
    touchStockBlockModified();
    QDialog::accept();
}
